// Keyword codes: every keyword test of the shell is one comparison with one of
// these folded codes (see Plier in commande.h).
#pragma once

#include "shell/commande.h"

namespace mot {

// Commands.
inline constexpr CommandWord kQuitter = Plier("quitter");
inline constexpr CommandWord kAide = Plier("aide");
inline constexpr CommandWord kInfo = Plier("info");
inline constexpr CommandWord kNb = Plier("nb");
inline constexpr CommandWord kAjouter = Plier("ajouter");
inline constexpr CommandWord kChamp = Plier("champ");
inline constexpr CommandWord kK = Plier("k");
inline constexpr CommandWord kP = Plier("p");
inline constexpr CommandWord kR = Plier("r");
inline constexpr CommandWord kL = Plier("l");
inline constexpr CommandWord kPlacer = Plier("placer");
inline constexpr CommandWord kGraph = Plier("graph");
inline constexpr CommandWord kImage = Plier("image");
inline constexpr CommandWord kRelax = Plier("relax");
inline constexpr CommandWord kMonteCarlo = Plier("montecarlo");
inline constexpr CommandWord kEloigne = Plier("eloigne");
inline constexpr CommandWord kApproche = Plier("approche");
inline constexpr CommandWord kLocal = Plier("local");
inline constexpr CommandWord kLocale = Plier("locale");
inline constexpr CommandWord kFaces = Plier("faces");
inline constexpr CommandWord kAretes = Plier("aretes");
inline constexpr CommandWord kEnveloppe = Plier("enveloppe");
inline constexpr CommandWord kCharger = Plier("charger");
inline constexpr CommandWord kEnregistrer = Plier("enregistrer");
inline constexpr CommandWord kSupprimer = Plier("supprimer");
inline constexpr CommandWord kMarquer = Plier("marquer");
inline constexpr CommandWord kDesinstaller = Plier("desinstaller");
inline constexpr CommandWord kListe = Plier("liste");
inline constexpr CommandWord kMode = Plier("mode");
inline constexpr CommandWord kMinimiser = Plier("minimiser");
inline constexpr CommandWord kExplorer = Plier("explorer");
inline constexpr CommandWord kS = Plier("s");
inline constexpr CommandWord kTammes = Plier("tammes");
inline constexpr CommandWord kDefauts = Plier("defauts");

// Parameters.
inline constexpr CommandWord kOn = Plier("on");
inline constexpr CommandWord kOff = Plier("off");
inline constexpr CommandWord kPos = Plier("pos");
inline constexpr CommandWord kTout = Plier("tout");
inline constexpr CommandWord kConserv = Plier("conserv");
inline constexpr CommandWord kAlea = Plier("alea");
inline constexpr CommandWord kSpirale = Plier("spirale");
inline constexpr CommandWord kM = Plier("m");
inline constexpr CommandWord kEp = Plier("ep");
inline constexpr CommandWord kDist = Plier("dist");
inline constexpr CommandWord kFichier = Plier("fichier");

// MODE names (kInfo and kEnveloppe above serve as well).
inline constexpr CommandWord kParticules = Plier("particules");
inline constexpr CommandWord kBilles = Plier("billes");
inline constexpr CommandWord kLignes = Plier("lignes");
inline constexpr CommandWord kPolygones = Plier("polygones");
inline constexpr CommandWord kPoly = Plier("poly");
inline constexpr CommandWord kOpenmp = Plier("openmp");
inline constexpr CommandWord kAxes = Plier("axes");
inline constexpr CommandWord kDual = Plier("dual");

}  // namespace mot

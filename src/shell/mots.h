// Codes of the words that follow a command: every keyword test of a handler is
// one comparison with one of these folded codes (see Plier in commande.h). The
// command words themselves live in the command table (table_commandes.cpp),
// the MODE switches' in etat/modes.h; the command table checks that no two
// words of the vocabulary share a code.
#pragma once

#include "shell/commande.h"

namespace mot {

inline constexpr CommandWord kOn = Plier("on");
inline constexpr CommandWord kOff = Plier("off");
inline constexpr CommandWord kPos = Plier("pos");
inline constexpr CommandWord kTout = Plier("tout");
inline constexpr CommandWord kConserv = Plier("conserv");
inline constexpr CommandWord kAlea = Plier("alea");
inline constexpr CommandWord kSpirale = Plier("spirale");
inline constexpr CommandWord kK = Plier("k");
inline constexpr CommandWord kM = Plier("m");
inline constexpr CommandWord kEp = Plier("ep");
inline constexpr CommandWord kDist = Plier("dist");
inline constexpr CommandWord kFichier = Plier("fichier");
inline constexpr CommandWord kFaces = Plier("faces");
inline constexpr CommandWord kAretes = Plier("aretes");
inline constexpr CommandWord kCharger = Plier("charger");

}  // namespace mot

// ENREGISTRER and CHARGER FICHIER.
#include "shell/commandes_fichiers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "etat/particules.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "mathematiques/objectif_riesz.h"
#include "mathematiques/placement.h"
#include "mathematiques/riesz.h"
#include "shell/commandes.h"
#include "shell/edition.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "ternex/charset.h"
#include "ternex/ternex.h"

// The file system spells names in the locale's charset: "données.txt" opens
// the file the user sees so named.
std::string NomSysteme(const std::string& nom) {
    static ternex_charset charset(nullptr);
    std::string systeme;
    for (const char c : nom) charset.encode(c, systeme);
    return systeme;
}

// What the XYZ comment line says of the current configuration.
ResumePositions ResumeCourant(std::span<const Vec3> positions) {
    ResumePositions r;
    r.n = etat.count;
    r.s = params.exposant;
    r.energie = EnergiePotentielle();
    r.distance = DistanceMinimale();
    r.energieS = r.s == 1.0 ? r.energie : EnergieDepuisLog(LogEnergieRiesz(positions, r.s), r.n, r.s);
    r.graine = static_cast<uint64_t>(GraineHasard());
    return r;
}

std::string DemanderNomAEcrire() {
    if (!options.silencieux) {
        console.write("Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n");
    }
    return LireNomFichier();
}

void FinirEcriture(std::FILE* f, bool ecrit, const std::string& nom) {
    // A full disk shows only at the close, when the buffered lines are written out.
    if (std::fclose(f) != 0 || !ecrit) Signaler(Msg::EcritureIncomplete, {nom});
}

namespace {

bool Ecrire(std::FILE* f, FormatPositions format) {
    Garde verrou(verrouEtat);
    const std::vector<Vec3> positions = CopierPositions();
    switch (format) {
        case FormatPositions::Xyz: return EcrireXyz(f, positions, ResumeCourant(positions));
        case FormatPositions::Csv: return EcrireCsv(f, positions);
        default: return EcrireGlomerix(f, positions);
    }
}

// What a file taken did, one warning each (standard error only).
void DireLecture(const std::string& nom, const LecturePositions& l, int n) {
    if (l.format != FormatPositions::Glomerix) {
        if (l.horsSphere > 0) Signaler(Msg::PositionsRamenees, {nom, std::to_string(l.horsSphere)});
        return;
    }
    if (l.ignorees > 0) Signaler(Msg::LignesIgnorees, {nom, std::to_string(l.ignorees), std::to_string(n - 1)});
    if (l.tronquee) Signaler(Msg::LectureArretee, {nom, std::to_string(n + kLignesEnPlus)});
    std::vector<bool> placee(static_cast<size_t>(n));
    for (const LignePosition& p : l.lignes) placee[static_cast<size_t>(p.index)] = true;
    const auto absentes = std::count(placee.begin(), placee.end(), false);
    if (absentes > 0) Signaler(Msg::ParticulesInchangees, {nom, std::to_string(absentes), std::to_string(n)});
    if (l.horsSphere > 0) Signaler(Msg::PositionsGardees, {nom, std::to_string(l.horsSphere)});
}

}  // namespace

bool EnregistrerFichier() {
    const std::string tape = DemanderNomAEcrire();
    std::FILE* f = std::fopen(NomSysteme(tape).c_str(), "w");
    if (f == nullptr) return false;
    FinirEcriture(f, Ecrire(f, FormatParNom(tape)), tape);
    return true;
}

bool ChargerFichier() {
    int n = 0;
    {
        Garde verrou(verrouEtat);
        n = etat.count;
    }
    if (!options.silencieux) {
        console.write("Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour ")
            .write(n)
            .write(" particules.\n");
    }
    const std::string nom = LireNomFichier();
    std::FILE* f = std::fopen(NomSysteme(nom).c_str(), "r");
    if (f == nullptr) {
        if (!nom.empty()) Signaler(Msg::FichierRefuse, {nom, "il ne peut pas être ouvert"});
        return false;
    }
    // Only the command thread changes the count, so it holds while the file is read.
    LecturePositions l = LireFichierPositions(f, n);
    std::fclose(f);
    if (l.refus.empty() && l.lignes.empty())
        l.refus = l.ignorees == 0 ? "il est vide" : "aucune de ses lignes ne place une particule";
    if (!l.refus.empty()) {
        Signaler(Msg::FichierRefuse, {nom, l.refus});
        return false;
    }
    {
        Garde verrou(verrouEtat);
        AnnulerDerivees();
        for (const LignePosition& p : l.lignes) etat.particles[p.index].position = p.position;
        MarquerDeplacement();
    }
    DireLecture(nom, l, n);
    return true;
}

void CommandeEnregistrer(const Ligne&) {
    if (!EnregistrerFichier()) {
        Signaler(Msg::NomFichierNonValide);
    }
}

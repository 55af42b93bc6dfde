// ENREGISTRER and CHARGER FICHIER.
#include "shell/commandes_fichiers.h"

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "etat/particules.h"
#include "mathematiques/placement.h"
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

namespace {

constexpr size_t kLigneMax = 4096;

enum class Lecture { Ligne, Fin, TropLongue };

// One line without its line feed, at most kLigneMax characters: a longer one
// is never read to its end (a device such as /dev/zero has none).
Lecture LireLigne(std::FILE* f, std::string& ligne) {
    ligne.clear();
    for (int c; (c = std::getc(f)) != EOF;) {
        if (c == '\n') return Lecture::Ligne;
        if (ligne.size() == kLigneMax) return Lecture::TropLongue;
        ligne.push_back(static_cast<char>(c));
    }
    return ligne.empty() ? Lecture::Fin : Lecture::Ligne;
}

}  // namespace

// The index is read as a 64-bit "%lli" so that a huge index cannot wrap into
// the table's range. A position of length zero (or whose length is no finite
// number) is no place on the sphere: nothing could scale it back.
std::vector<LignePosition> LirePositions(std::FILE* f, int count) {
    std::vector<LignePosition> lues;
    std::string ligne;
    for (long long lignes = 0; lignes < static_cast<long long>(count) + kLignesEnPlus; ++lignes) {
        const Lecture lecture = LireLigne(f, ligne);
        if (lecture == Lecture::TropLongue) return {};
        if (lecture == Lecture::Fin) break;
        long long index = -1;
        char separateur = 0;
        Vec3 p;
        const int champs = std::sscanf(ligne.c_str(), "%lli%c%lf%lf%lf", &index, &separateur, &p.x, &p.y, &p.z);
        const double longueur = norm(p);
        if (champs == 5 && std::isfinite(longueur) && longueur > 0.0 && index >= 0 && index < count) {
            lues.push_back({static_cast<int>(index), p});
        }
    }
    return lues;
}

bool EnregistrerFichier() {
    if (!options.silencieux) {
        console.write("Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n");
    }
    const std::string tape = LireNomFichier();
    std::FILE* f = std::fopen(NomSysteme(tape).c_str(), "w");
    if (f == nullptr) return false;
    {
        Garde verrou(verrouEtat);
        for (int i = 0; i < etat.count; ++i) {
            const Vec3& p = etat.particles[i].position;
            std::fprintf(f, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, p.x, p.y, p.z);
        }
    }
    // A full disk shows only here, when the buffered lines are written out.
    const bool ecrit = std::ferror(f) == 0;
    if (std::fclose(f) != 0 || !ecrit) {
        Signaler(Msg::EcritureIncomplete, {tape});
    }
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
    std::FILE* f = std::fopen(NomSysteme(LireNomFichier()).c_str(), "r");
    if (f == nullptr) return false;
    // Only the command thread changes the count, so it holds while the file is read.
    const std::vector<LignePosition> lues = LirePositions(f, n);
    std::fclose(f);
    if (lues.empty()) return false;
    Garde verrou(verrouEtat);
    AnnulerDerivees();
    for (const LignePosition& l : lues) etat.particles[l.index].position = l.position;
    MarquerDeplacement();
    return true;
}

void CommandeEnregistrer(const Ligne&) {
    if (!EnregistrerFichier()) {
        Signaler(Msg::NomFichierNonValide);
    }
}

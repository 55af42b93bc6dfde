// ENREGISTRER and CHARGER FICHIER.
#include "shell/fichiers.h"

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "mathematiques/particules.h"
#include "mathematiques/placement.h"
#include "shell/commandes.h"
#include "ternex/charset.h"
#include "ternex/ternex.h"

namespace {

constexpr size_t kLigneMax = 4096;

// One line typed by the user, without prompt (at most 255 characters), turned
// back from the console's Windows-1252 into the locale's charset, in which the
// file system spells names: "données.txt" opens the file the user sees so named.
// The line as typed goes to *tape when asked for.
std::string LireNom(std::string* tape = nullptr) {
    static ternex_charset charset(nullptr);
    char nom[256];
    if (console.read_line(nom, 255) == 0) nom[0] = '\0';
    if (tape != nullptr) *tape = nom;
    std::string systeme;
    for (const char* c = nom; *c != '\0'; ++c) charset.encode(*c, systeme);
    return systeme;
}

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
    console.write("Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n");
    std::string tape;
    const std::string nom = LireNom(&tape);
    std::FILE* f = std::fopen(nom.c_str(), "w");
    if (f == nullptr) return false;
    {
        std::lock_guard verrou(verrouEtat);
        for (int i = 0; i < etat.count; ++i) {
            const Vec3& p = etat.particles[i].position;
            std::fprintf(f, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, p.x, p.y, p.z);
        }
    }
    // A full disk shows only here, when the buffered lines are written out.
    const bool ecrit = std::ferror(f) == 0;
    if (std::fclose(f) != 0 || !ecrit)
        console.write("Erreur en écriture du fichier ").write(tape.c_str()).write(" : il est incomplet.\n");
    return true;
}

bool ChargerFichier() {
    console.write("Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour ")
        .write(etat.count)
        .write(" particules.\n");
    const std::string nom = LireNom();
    std::FILE* f = std::fopen(nom.c_str(), "r");
    if (f == nullptr) return false;
    // Only the command thread changes the count, so it holds while the file is read.
    const std::vector<LignePosition> lues = LirePositions(f, etat.count);
    std::fclose(f);
    if (lues.empty()) return false;
    std::lock_guard verrou(verrouEtat);
    AnnulerDerivees();
    for (const LignePosition& l : lues) etat.particles[l.index].position = l.position;
    return true;
}

void CommandeEnregistrer(int, const CommandWord*) {
    if (!EnregistrerFichier()) console.write("Erreur : le nom de fichier n'est pas valide.\n");
}

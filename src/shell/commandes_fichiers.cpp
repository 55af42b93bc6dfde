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
#include "ternex/ternex.h"

namespace {

// Line by line, so a line that does not parse costs only itself: the reads
// never stall on a character that no conversion accepts.
bool LireLigne(std::FILE* f, char*& ligne, size_t& taille) {
    return getline(&ligne, &taille, f) >= 0;
}

}  // namespace

// The index is read as a 64-bit "%lli" so that a huge index cannot wrap into
// the table's range.
std::vector<LignePosition> LirePositions(std::FILE* f, int count) {
    std::vector<LignePosition> lues;
    char* ligne = nullptr;
    size_t taille = 0;
    while (LireLigne(f, ligne, taille)) {
        long long index = -1;
        char separateur = 0;
        Vec3 p;
        const int champs = std::sscanf(ligne, "%lli%c%lf%lf%lf", &index, &separateur, &p.x, &p.y, &p.z);
        const bool finie = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        if (champs == 5 && finie && index >= 0 && index < count) {
            lues.push_back({static_cast<int>(index), p});
        }
    }
    std::free(ligne);
    return lues;
}

bool EnregistrerFichier() {
    console.write("Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n");
    const std::string nom = LireNomFichier();
    std::FILE* f = std::fopen(nom.c_str(), "w");
    if (f == nullptr) return false;
    {
        Garde verrou(verrouEtat);
        for (int i = 0; i < etat.count; ++i) {
            const Vec3& p = etat.particles[i].position;
            std::fprintf(f, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, p.x, p.y, p.z);
        }
    }
    std::fclose(f);
    return true;
}

bool ChargerFichier() {
    int n = 0;
    {
        Garde verrou(verrouEtat);
        n = etat.count;
    }
    console.write("Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour ")
        .write(n)
        .write(" particules.\n");
    const std::string nom = LireNomFichier();
    std::FILE* f = std::fopen(nom.c_str(), "r");
    if (f == nullptr) return false;
    // Only the command thread changes the count, so it holds while the file is read.
    const std::vector<LignePosition> lues = LirePositions(f, n);
    std::fclose(f);
    if (lues.empty()) return false;
    Garde verrou(verrouEtat);
    AnnulerDerivees();
    for (const LignePosition& l : lues) etat.particles[l.index].position = l.position;
    return true;
}

void CommandeEnregistrer(int, const CommandWord*) {
    if (!EnregistrerFichier()) console.write("Erreur : le nom de fichier n'est pas valide.\n");
}

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

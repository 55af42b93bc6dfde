// Every word the shell compares folds to a code no other word has: a new
// command word must not shadow another one, nor a parameter it could meet.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "shell/commande.h"
#include "shell/mots.h"

namespace {

// Commands, parameters and MODE names, each spelling once.
const char* const kMots[] = {
    "quitter", "aide", "info", "nb", "ajouter", "champ", "k", "p", "r", "l", "placer", "graph", "image", "relax",
    "montecarlo", "eloigne", "approche", "local", "locale", "faces", "aretes", "enveloppe", "charger",
    "enregistrer", "supprimer", "marquer", "desinstaller", "liste", "mode", "minimiser", "explorer", "s",
    "tammes", "defauts", "on", "off", "pos", "tout", "conserv", "alea", "spirale", "m", "ep", "dist", "fichier",
    "particules", "billes", "lignes", "polygones", "poly", "openmp", "axes", "dual"};

}  // namespace

TEST(Mots, ChaqueMotAUnCodeASoi) {
    std::map<CommandWord, std::string> vus;
    for (const char* mot : kMots) {
        const auto [place, nouveau] = vus.emplace(Plier(mot), mot);
        EXPECT_TRUE(nouveau) << mot << " folds like " << place->second;
        EXPECT_NE(Plier(mot), 0u) << mot;  // the empty word's code
    }
}

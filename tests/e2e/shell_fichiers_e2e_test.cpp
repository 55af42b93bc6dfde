// ENREGISTRER and CHARGER FICHIER: the file format, loading by index, bad lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "e2e/harness.h"

namespace {

std::string Apres(e2e::Session& s, const std::string& input) {
    const e2e::Result r = s.run(input);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return e2e::ApresDemarrage(r.out);
}

std::vector<std::string> Lignes(const std::string& texte) {
    std::vector<std::string> v;
    std::istringstream in(texte);
    for (std::string l; std::getline(in, l);) v.push_back(l + "\n");
    return v;
}

std::string Ligne(int i, double x, double y, double z) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, x, y, z);
    return buf;
}

const std::string kEnregistrer =
    "Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n";
const std::string kCharger =
    "Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour 400 particules.\n";
const std::string kAucune =
    "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n";

}  // namespace

TEST(Fichiers, EnregistrerWritesOneLinePerParticle) {
    e2e::Session s;
    EXPECT_EQ(Apres(s, "enregistrer\npositions du jour.txt\n"), kEnregistrer + "> ");
    const auto lignes = Lignes(e2e::LireFichier(s.workDir() / "positions du jour.txt"));
    ASSERT_EQ(lignes.size(), 400u);
    for (int i = 0; i < 400; ++i) {
        int index = -1;
        double x, y, z;
        ASSERT_EQ(std::sscanf(lignes[i].c_str(), "%i:%lf%lf%lf", &index, &x, &y, &z), 4) << lignes[i];
        EXPECT_EQ(index, i);
        EXPECT_EQ(lignes[i], Ligne(i, x, y, z));  // the exact format
        EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 1.0, 1e-12);
    }
}

TEST(Fichiers, EnregistrerReplacesAFileAndRefusesABadName) {
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "p.txt", std::string(100000, 'x'));
    EXPECT_EQ(Apres(s, "enregistrer\np.txt\nenregistrer\nabsent/p.txt\nenregistrer\n\n"),
              kEnregistrer + "> " + kEnregistrer + "Erreur : le nom de fichier n'est pas valide.\n> " +
                  kEnregistrer + "Erreur : le nom de fichier n'est pas valide.\n> ");
    EXPECT_EQ(Lignes(e2e::LireFichier(s.workDir() / "p.txt")).size(), 400u);
}

TEST(Fichiers, RoundTripRestoresEveryPosition) {
    e2e::Session s;
    Apres(s, "enregistrer\na.txt\n");
    const std::string a = e2e::LireFichier(s.workDir() / "a.txt");
    // Another run: load a.txt into its particles and write them out again.
    Apres(s, "mode info off\ncharger fichier\na.txt\nenregistrer\nb.txt\n");
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "b.txt"), a);
}

TEST(Fichiers, LinesPlaceParticlesByIndex) {
    e2e::Session s;
    // Any order, the last line for an index wins, coordinates kept as read (not
    // rescaled), other indices and unreadable lines ignored.
    e2e::EcrireFichier(s.workDir() / "court.txt",
                       "5:\t0.5\t0.25\t-0.125\n"
                       "2:\t1\t2\t3\n"
                       "du texte\n"
                       "\n"
                       "3:\tabc\t1\t2\n"
                       "4:\t1\t2\n"
                       "400:\t9\t9\t9\n"
                       "-1:\t9\t9\t9\n"
                       "7:\tnan\t0\t0\n"
                       "2;   -0.75 1e-3\t2.5E2\n"
                       "1:\t0\t0\t1");  // no line end at the end
    const std::string out = Apres(s, "mode info off\nenregistrer\navant.txt\ncharger fichier\ncourt.txt\n"
                                     "enregistrer\napres.txt\n");
    EXPECT_EQ(out, "> " + kEnregistrer + "> " + kCharger + "> " + kEnregistrer + "> ");
    auto attendu = Lignes(e2e::LireFichier(s.workDir() / "avant.txt"));
    ASSERT_EQ(attendu.size(), 400u);
    attendu[5] = Ligne(5, 0.5, 0.25, -0.125);
    attendu[2] = Ligne(2, -0.75, 0.001, 250);
    attendu[1] = Ligne(1, 0, 0, 1);
    EXPECT_EQ(Lignes(e2e::LireFichier(s.workDir() / "apres.txt")), attendu);
}

TEST(Fichiers, ChargerFollowedByTheSummaryInInfoMode) {
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "un.txt", "0:\t0\t0\t1\n");
    const std::string out = Apres(s, "charger fichier\nun.txt\n");
    ASSERT_EQ(out.rfind(kCharger + "Nombre de particules : 400\nDistance minimale    : ", 0), 0u) << out;
    EXPECT_EQ(e2e::Compter(out, "Energie Potentiel minimum théorique : 75582.978\n> "), 1);
}

TEST(Fichiers, FilesWithoutAnyUsablePositionChangeNothing) {
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "vide.txt", "");
    e2e::EcrireFichier(s.workDir() / "hors.txt", "400:\t1\t0\t0\n1000:\t1\t0\t0\nrien\n");
    std::filesystem::create_directory(s.workDir() / "dossier");
    const std::string out = Apres(s, "enregistrer\navant.txt\ncharger fichier\nabsent.txt\ncharger fichier\nvide.txt\n"
                                     "charger fichier\nhors.txt\ncharger fichier\ndossier\nenregistrer\napres.txt\n");
    const std::string echec = kCharger + kAucune + "> ";
    EXPECT_EQ(out, kEnregistrer + "> " + echec + echec + echec + echec + kEnregistrer + "> ");
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "apres.txt"), e2e::LireFichier(s.workDir() / "avant.txt"));
}

TEST(Fichiers, AccentedNamesAreTheNamesTyped) {
    e2e::Session s;
    const std::string out = Apres(s, "mode info off\nenregistrer\ndonnées été.txt\ncharger fichier\ndonnées été.txt\n");
    EXPECT_EQ(out, "> " + kEnregistrer + "> " + kCharger + "> ");
    EXPECT_EQ(Lignes(e2e::LireFichier(s.workDir() / "données été.txt")).size(), 400u);
}

TEST(Fichiers, LargerFileIntoFewerParticles) {
    e2e::Session s;
    const std::string out = Apres(s, "mode info off\nenregistrer\nf400.txt\nnb 300\ncharger fichier\nf400.txt\n"
                                     "enregistrer\nf300.txt\n");
    EXPECT_EQ(out, "> " + kEnregistrer + "> > " +
                       "Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour 300 "
                       "particules.\n> " +
                       kEnregistrer + "> ");
    const auto f400 = Lignes(e2e::LireFichier(s.workDir() / "f400.txt"));
    ASSERT_EQ(f400.size(), 400u);
    EXPECT_EQ(Lignes(e2e::LireFichier(s.workDir() / "f300.txt")),
              std::vector<std::string>(f400.begin(), f400.begin() + 300));
}

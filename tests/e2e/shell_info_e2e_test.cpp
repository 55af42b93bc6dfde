// INFO, MARQUER, LISTE, SUPPRIMER and CHARGER EP / DIST against a fresh database.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "e2e/harness.h"

namespace {

// One AfficherInfo summary as read back from the output.
struct Resume {
    std::string n, d, e, refD, refE, theo;
    bool etoile = false;

    std::string Texte() const {
        return "Nombre de particules : " + n + "\nDistance minimale    : " + d +
               "\nEnergie Potentielle  : " + e + "\nValeurs de références" + (etoile ? " (*)" : "") +
               " :\nMaximum de la distance minimale  : " + refD +
               "\nMinimum de l'energie potentielle : " + refE +
               "\nEnergie Potentiel minimum théorique : " + theo + "\n";
    }
};

// Reads "<label><value>\n" at `at` and moves past it.
bool Champ(const std::string& out, size_t& at, const std::string& label, std::string& valeur) {
    if (out.compare(at, label.size(), label) != 0) return false;
    const size_t fin = out.find('\n', at + label.size());
    if (fin == std::string::npos) return false;
    valeur = out.substr(at + label.size(), fin - at - label.size());
    at = fin + 1;
    return true;
}

// Every complete summary in the output, in order.
std::vector<Resume> Resumes(const std::string& out) {
    std::vector<Resume> r;
    const std::string debut = "Nombre de particules : ";
    for (size_t at = out.find(debut); at != std::string::npos; at = out.find(debut, at + 1)) {
        Resume x;
        size_t p = at;
        std::string entete;
        const bool ok = Champ(out, p, debut, x.n) && Champ(out, p, "Distance minimale    : ", x.d) &&
                        Champ(out, p, "Energie Potentielle  : ", x.e) &&
                        Champ(out, p, "Valeurs de références", entete) &&
                        (entete == " :" || entete == " (*) :") &&
                        Champ(out, p, "Maximum de la distance minimale  : ", x.refD) &&
                        Champ(out, p, "Minimum de l'energie potentielle : ", x.refE) &&
                        Champ(out, p, "Energie Potentiel minimum théorique : ", x.theo);
        x.etoile = entete == " (*) :";
        if (ok) r.push_back(x);
    }
    return r;
}

std::string Commandes(e2e::Session& s, const std::string& input) {
    const e2e::Result r = s.run(input);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return e2e::ApresDemarrage(r.out);
}

const std::string kAucune =
    "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n";

// The position file with every point replaced by its antipode.
std::string Antipodes(const std::string& fichier) {
    std::string out;
    std::istringstream in(fichier);
    std::string ligne;
    while (std::getline(in, ligne)) {
        int i = 0;
        double x = 0, y = 0, z = 0;
        EXPECT_EQ(std::sscanf(ligne.c_str(), "%i:%lf%lf%lf", &i, &x, &y, &z), 4) << ligne;
        char buf[128];
        std::snprintf(buf, sizeof buf, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, -x, -y, -z);
        out += buf;
    }
    return out;
}

}  // namespace

TEST(Info, FirstInfoShowsItsOwnValuesAsReferences) {
    e2e::Session s;
    const std::string out = Commandes(s, "info\n");
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 1u) << out;
    EXPECT_EQ(out, r[0].Texte() + "> ");
    EXPECT_EQ(r[0].n, "400");
    EXPECT_FALSE(r[0].etoile);
    EXPECT_EQ(r[0].refD, r[0].d);
    EXPECT_EQ(r[0].refE, r[0].e);
    EXPECT_EQ(r[0].theo, "75582.978");
    // 400 points on the unit sphere: between the estimate of the best and the
    // mean of a random placement (N(N-1)/2 pairs, mean 1/r of 1) with a margin.
    EXPECT_GT(std::stod(r[0].e), 75000.0);
    EXPECT_LT(std::stod(r[0].e), 81000.0);
    EXPECT_LT(std::stod(r[0].d), 0.2);
}

TEST(Info, ParametersOtherThanPosAreIgnored) {
    e2e::Session s;
    const std::string out = Commandes(s, "info xyz\ninfo\n");
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 2u) << out;
    EXPECT_EQ(out, r[0].Texte() + "> " + r[1].Texte() + "> ");
    EXPECT_EQ(r[0].Texte(), r[1].Texte());  // same positions, same references
}

TEST(Info, PosListsEveryParticleFromOne) {
    e2e::Session s;
    const std::string out = Commandes(s, "info pos\n");
    ASSERT_EQ(out.rfind("Position des particules : \r\n", 0), 0u) << out.substr(0, 200);
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 1u);
    const std::string liste = out.substr(0, out.find("Nombre de particules : "));
    EXPECT_EQ(e2e::Compter(liste, "\r\n"), 401);
    // Every line is "Particule i\t" and a vector line, i from 1 to 400.
    size_t at = liste.find("\r\n") + 2;
    for (int i = 1; i <= 400; ++i) {
        const size_t fin = liste.find("\r\n", at);
        ASSERT_NE(fin, std::string::npos) << i;
        const std::string ligne = liste.substr(at, fin + 2 - at);
        const auto apres = [&](const std::string& cle) {
            const size_t k = ligne.find(cle) + cle.size();
            return ligne.substr(k, ligne.find_first_of("\t\r", k) - k);
        };
        const std::string x = apres("X : "), y = apres("Y : "), z = apres("Z : ");
        EXPECT_EQ(ligne, e2e::LigneVecteur(x, y, z, "Particule " + std::to_string(i) + "\t"));
        const double vx = std::stod(x), vy = std::stod(y), vz = std::stod(z);
        EXPECT_NEAR(vx * vx + vy * vy + vz * vz, 1.0, 1e-7);
        at = fin + 2;
    }
    EXPECT_EQ(at, liste.size());
}

TEST(Info, MarquerSetsTheStar) {
    e2e::Session s;
    const std::string out = Commandes(s, "marquer\ninfo\nmarquer peut-etre\ninfo\nmarquer off\ninfo\nmarquer on\ninfo\n");
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 4u) << out;
    EXPECT_EQ(out, "> " + r[0].Texte() + "> > " + r[1].Texte() + "> > " + r[2].Texte() + "> > " + r[3].Texte() + "> ");
    EXPECT_TRUE(r[0].etoile);
    EXPECT_TRUE(r[1].etoile);
    EXPECT_FALSE(r[2].etoile);
    EXPECT_TRUE(r[3].etoile);
    // The mark is kept in the database.
    const auto suite = Resumes(Commandes(s, "info\n"));
    ASSERT_EQ(suite.size(), 1u);
    EXPECT_TRUE(suite[0].etoile);
}

TEST(Info, ListeShowsMarkedCountsListeToutEveryStoredOne) {
    e2e::Session s;
    const std::string out = Commandes(s, "liste\nliste tout\ninfo\nliste\nliste tout\nmarquer\nliste\nliste tout\n");
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 1u) << out;
    const std::string ligne = "Nombre de particules : 400 Distance : " + r[0].refD + " Energie : " + r[0].refE;
    EXPECT_EQ(out, "> > " + r[0].Texte() + "> > " + ligne + "\n> > " + ligne + "\n> " + ligne + " (*)\n> ");
}

TEST(Info, Supprimer) {
    e2e::Session s;
    EXPECT_EQ(Commandes(s, "supprimer\n"), "Erreur : l'enregistrement spécifié n'existe pas.\n> ");
    // After INFO the record goes without a word; the mark stays.
    const std::string out = Commandes(s, "marquer\ninfo\nsupprimer\nliste tout\nsupprimer\n");
    EXPECT_EQ(out, "> " + Resumes(out).at(0).Texte() + "> > > Erreur : l'enregistrement spécifié n'existe pas.\n> ");
    const auto r = Resumes(Commandes(s, "info\n"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].etoile);
    EXPECT_EQ(r[0].refD, r[0].d);  // a fresh record: the current values again
}

TEST(Info, ChargerWithoutStoredEntry) {
    e2e::Session s;
    EXPECT_EQ(Commandes(s, "charger\ncharger xyz\ncharger ep\ncharger dist\n"),
              "> Paramètre non valide.\n> " + kAucune + "> " + kAucune + "> ");
}

TEST(Info, ChargerRestoresTheStoredPositionsExactly) {
    e2e::Session s;
    // Run 1 records its positions (both sets) and writes them to a file.
    Commandes(s, "info\nenregistrer\nrun1.txt\n");
    const std::string premier = e2e::LireFichier(s.workDir() / "run1.txt");
    ASSERT_EQ(e2e::Compter(premier, "\n"), 400);

    // Run 2 (which may have drawn the same start if in the same second) moves
    // every particle to its antipode, then loads each stored set and writes it out.
    e2e::EcrireFichier(s.workDir() / "antipodes.txt", Antipodes(premier));
    const std::string out = Commandes(s, "mode info off\ncharger fichier\nantipodes.txt\nenregistrer\nrun2.txt\n"
                                         "mode info on\ncharger ep\nenregistrer\nep.txt\n"
                                         "mode info off\ncharger dist\nenregistrer\ndist.txt\nmode info on\n");
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "run2.txt"), Antipodes(premier));
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "ep.txt"), premier);
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "dist.txt"), premier);

    // INFO mode: CHARGER EP is followed by the summary of the stored configuration.
    const auto r = Resumes(out);
    ASSERT_EQ(r.size(), 1u) << out;
    EXPECT_EQ(r[0].e, r[0].refE);
    EXPECT_EQ(r[0].d, r[0].refD);
}

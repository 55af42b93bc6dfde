// MINIMISER, EXPLORER, S, TAMMES and DEFAUTS through the program: the
// closing lines, the published values, bad input, Ctrl+C, the store.
#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/commandes.h"
#include "e2e/harness.h"

namespace {

using std::string;

const string kTemps = "Temps de calcul (ms) : ";
const string kEnergie = "Energie Potentielle  : ";
const string kAnnonce = ", nouvelle énergie minimale : ";
const string kNonValide = "Paramètre non valide.\n";

string Commandes(const string& lignes) { return e2e::Commandes(lignes, true); }

std::vector<string> Valeurs(const string& out, const string& etiquette) {
    std::vector<string> v;
    for (size_t at = out.find(etiquette); at != string::npos; at = out.find(etiquette, at + 1)) {
        const size_t debut = at + etiquette.size();
        v.push_back(out.substr(debut, out.find_first_of(",\n", debut) - debut));
    }
    return v;
}

// The minimisation line, the time line, then INFO (the mode is on).
TEST(Minimiser, DouzeParticulesPuisLesLignesDeFin) {
    const string out = Commandes("nb 12\nplacer\nminimiser\ndefauts\n");
    const size_t ligne = out.find("Itérations : ");
    ASSERT_NE(ligne, string::npos) << out;
    EXPECT_NE(out.find(", évaluations de l'énergie : ", ligne), string::npos);
    const size_t force = out.find(", force tangentielle maximale / force moyenne : ", ligne);
    ASSERT_NE(force, string::npos);
    EXPECT_LT(std::strtod(out.c_str() + force + 48, nullptr), 1e-9);
    const size_t temps = out.find("\n" + kTemps + "<ms>\nNombre de particules : 12\n", ligne);
    EXPECT_NE(temps, string::npos) << out;
    EXPECT_EQ(Valeurs(out, kEnergie).back(), "49.165253");
    EXPECT_NE(out.find("Degré 4 : 0\nDegré 5 : 12\nDegré 6 : 0\nDegré 7 : 0\nDegré 8 : 0\n"
                       "Charge topologique : 12\nCicatrices : 1\n"
                       "Particules de degré 5 dans des cicatrices : 12\n"
                       "Particules de degré 7 dans des cicatrices : 0\n"),
              string::npos)
        << out;
}

// The sequence of TAMMES's help reaches the published largest smallest
// distances (9 digits shown).
TEST(Tammes, LaSequenceAtteintLesDistancesPubliees) {
    const string sequence = "placer\ns 12.0\nminimiser 10 k\ns 96.0\nminimiser 10 k\ntammes 1 k\n";
    const string out = Commandes("mode info off\nnb 24\n" + sequence + "nb 12\n" + sequence);
    const std::vector<string> d = Valeurs(out, " -> ");
    ASSERT_EQ(d.size(), 2u) << out;
    EXPECT_NEAR(std::strtod(d[0].c_str(), nullptr), 0.7442063310, 1e-6) << out;
    EXPECT_NEAR(std::strtod(d[1].c_str(), nullptr), 1.0514622242, 1e-6) << out;
    EXPECT_NE(out.find("paires au contact : 60\n"), string::npos);
    EXPECT_NE(out.find("paires au contact : 30\n"), string::npos);
}

// S shows with fewer than three words, like K; anything outside [-2, 1000],
// or a whole part that is no number, leaves it as it was; INFO keeps the
// Coulomb energy.
TEST(S, ValeursRefuseesEtAffichage) {
    const string out = Commandes("mode info off\ns\ns 0\ns -3.0\ns -2.5\ns abc\ns abc.def\ns 10000.0\ns 1000.5\n"
                                 "s 2.5\ns\ns 1000.0\ns\ns -0.0\ns\ns -2.0\ns\n"
                                 "nb 4\nplacer\ns 1.0\nminimiser\ninfo\ns 3.0\nminimiser\ninfo\n");
    const string e = "L'exposant de l'énergie de Riesz est : ";
    EXPECT_EQ(out.substr(0, out.find("> > > > Itérations")),
              "> " + e + "1.\n> " + e + "1.\n> " + kNonValide + "> " + kNonValide + "> " + e + "1.\n> " +
                  kNonValide + "> " + kNonValide + "> " + kNonValide + "> > " + e + "2.5\n> > " + e + "1.e3\n> > " +
                  e + "0.\n> > " + e + "-2.\n");
    const std::vector<string> energies = Valeurs(out, kEnergie);
    ASSERT_EQ(energies.size(), 2u) << out;
    EXPECT_EQ(energies[0], "3.67423461");  // the tetrahedron, whatever s (its minimum for every s)
    EXPECT_EQ(energies[1], "3.67423461");
}

// EXPLORER announces the energy of the exponent set: at s = 0 the sum of
// -log r, at s = -1 minus the sum of distances, at the octahedron (12 edges
// of sqrt 2 and 3 diameters); the store keeps the Coulomb energy.
TEST(S, EnergieLogarithmiqueEtNegativeAnnoncees) {
    const string out = Commandes("mode info off\nnb 6\nplacer\ns 0.0\nexplorer 2\ns -1.0\nexplorer 2\ninfo\n");
    const std::vector<string> log = Valeurs(out, ", nouveau minimum, énergie logarithmique s = 0 : ");
    const std::vector<string> oppose =
        Valeurs(out, ", nouveau minimum, énergie de Riesz s = -1 (opposé de la somme des r^|s|) : ");
    ASSERT_EQ(log.size(), 1u) << out;
    ASSERT_EQ(oppose.size(), 1u) << out;
    EXPECT_NEAR(std::strtod(log[0].c_str(), nullptr), -6.0 * std::log(2.0) - 3.0 * std::log(2.0), 1e-8) << out;
    EXPECT_NEAR(std::strtod(oppose[0].c_str(), nullptr), -(12.0 * std::sqrt(2.0) + 6.0), 1e-7) << out;
    const std::vector<string> energies = Valeurs(out, kEnergie);
    ASSERT_EQ(energies.size(), 1u) << out;
    EXPECT_NEAR(std::strtod(energies[0].c_str(), nullptr), 12.0 / std::sqrt(2.0) + 1.5, 1e-7);
}

// A count that is not a number from 1 to 9999 is refused: nothing moves.
TEST(Minimiser, CompteRefuseNeChangeRien) {
    const string out = Commandes("mode info off\nnb 10\nplacer\ninfo pos\nminimiser 0\nexplorer abc\n"
                                 "tammes 0 k\nminimiser 12345\ninfo pos\n");
    EXPECT_EQ(e2e::Compter(out, kNonValide), 4) << out;
    EXPECT_EQ(e2e::Compter(out, kTemps), 0);
    const size_t premier = out.find("Position des particules");
    const size_t second = out.find("Position des particules", premier + 1);
    ASSERT_NE(second, string::npos);
    const size_t fin = out.find("Distance minimale", premier);
    EXPECT_EQ(out.substr(premier, fin - premier), out.substr(second, out.find("Distance minimale", second) - second));
}

// Each new lowest energy on its own line, lower than the one before; the
// lowest is the configuration at the end and the store keeps it.
TEST(Explorer, AnnoncesPuisLaBase) {
    const string out = Commandes("mode info off\nnb 40\nplacer\nexplorer 15\ninfo\nliste tout\n");
    const std::vector<string> annonces = Valeurs(out, kAnnonce);
    ASSERT_FALSE(annonces.empty()) << out;
    EXPECT_EQ(out.find("Saut 0" + kAnnonce), out.find("Saut "));
    for (size_t k = 1; k < annonces.size(); ++k) {
        EXPECT_LT(std::strtod(annonces[k].c_str(), nullptr), std::strtod(annonces[k - 1].c_str(), nullptr));
    }
    EXPECT_NE(out.find("Sauts : 15, acceptés : "), string::npos) << out;
    const double derniere = std::strtod(annonces.back().c_str(), nullptr);
    EXPECT_NEAR(std::strtod(Valeurs(out, kEnergie).back().c_str(), nullptr), derniere, 1e-8 * derniere);
    EXPECT_NE(out.find("Nombre de particules : 40 Distance : "), string::npos) << out;
    EXPECT_NEAR(std::strtod(Valeurs(out, " Energie : ").back().c_str(), nullptr), derniere, 1e-8 * derniere);
}

// MODE TAMMES: EXPLORER announces the largest smallest distance, ends at the
// icosahedron's edge at N = 12 (from its vertices (0, 1, phi), (0, -1, phi)),
// offers it to the store as INFO does, repeats for a seed, even with the
// walkers of OPENMP (GLPK on their threads); TAMMES alone is unchanged.
TEST(Explorer, ModeTammesChercheLaDistance) {
    const string kDistanceAnnoncee = ", nouvelle distance minimale maximale : ";
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    const double arete = 2.0 / std::sqrt(1.0 + phi * phi);
    for (const string mode : {"", "mode openmp on\n"}) {
        const string lignes = "mode info off\nmode tammes on\n" + mode + "graine 4\nnb 12\nplacer\nexplorer 8\ninfo\nliste tout\n";
        const string out = Commandes(lignes);
        EXPECT_EQ(Commandes(lignes), out);
        const std::vector<string> annonces = Valeurs(out, kDistanceAnnoncee);
        ASSERT_FALSE(annonces.empty()) << out;
        EXPECT_EQ(out.find(kAnnonce), string::npos) << out;
        for (size_t k = 1; k < annonces.size(); ++k) {
            EXPECT_GT(std::strtod(annonces[k].c_str(), nullptr), std::strtod(annonces[k - 1].c_str(), nullptr));
        }
        EXPECT_NEAR(std::strtod(annonces.back().c_str(), nullptr), arete, 1e-8) << out;
        EXPECT_NEAR(std::strtod(Valeurs(out, "Distance minimale    : ").back().c_str(), nullptr), arete, 1e-8);
        EXPECT_NEAR(std::strtod(Valeurs(out, "Nombre de particules : 12 Distance : ").back().c_str(), nullptr), arete,
                    1e-8)
            << out;
    }
    const string seul = "mode info off\ngraine 4\nnb 12\nplacer\ntammes 3\n";  // one seed: the two runs may fall in two seconds
    EXPECT_EQ(Commandes("mode tammes on\n" + seul), "> " + Commandes(seul));
}

// Ctrl+C: the current hop or iteration ends, the lowest configuration stays,
// the closing lines follow; with OPENMP on too, where the walkers stop at
// once and their last minima are still announced.
TEST(Explorer, CtrlCGardeLeMeilleur) {
    for (const string mode : {"", "mode openmp on\n"}) {
        e2e::Session s;
        s.start();
        s.send(mode + "nb 150\nexplorer 9999 k\n");
        ASSERT_TRUE(s.waitFor("Saut 0" + kAnnonce));
        ASSERT_TRUE(s.interruptUntil(kTemps));
        ASSERT_TRUE(s.waitFor("> ", mode.empty() ? 3 : 4, std::chrono::seconds(30)));
        s.closeInput();
        const e2e::Result r = s.finish(std::chrono::seconds(60));
        EXPECT_EQ(r.exitCode, 0);
        const string out = e2e::ApresDemarrage(r.out);
        const std::vector<string> annonces = Valeurs(out, kAnnonce);
        ASSERT_FALSE(annonces.empty());
        EXPECT_NE(out.find("Sauts : "), string::npos);
        const double derniere = std::strtod(annonces.back().c_str(), nullptr);
        const std::vector<string> info = Valeurs(out, kEnergie);
        ASSERT_EQ(info.size(), 2u) << out;  // NB's, then the closing one
        EXPECT_NEAR(std::strtod(info.back().c_str(), nullptr), derniere, 1e-8 * derniere);
    }
}

// With OPENMP on, one walker per processor, however busy: the same seed
// gives the same search line for line, and the summary counts the hops of
// all the walkers.
TEST(Explorer, MarcheursMemeGraineMemeRecherche) {
    const string lignes = "mode info off\nmode openmp on\ngraine 21\nnb 60\nplacer\nexplorer 12\n";
    const string a = Commandes(lignes);
    EXPECT_EQ(Commandes(lignes), a);
    const int marcheurs = omp_get_num_procs();  // the program's count of processors
    const string sauts = marcheurs > 1 ? "Sauts : " + std::to_string(12 * marcheurs) + " (" +
                                             std::to_string(marcheurs) + " marcheurs), acceptés : "
                                       : string("Sauts : 12, acceptés : ");
    EXPECT_NE(a.find(sauts), string::npos) << a;
    EXPECT_FALSE(Valeurs(a, kAnnonce).empty());
}

TEST(Minimiser, CtrlCApresLIterationEnCours) {
    e2e::Session s;
    s.start();
    s.send("mode info off\nnb 3000\nminimiser 9999 k\n");
    ASSERT_TRUE(s.waitFor("> ", 3));
    ASSERT_TRUE(s.interruptUntil(kTemps));
    ASSERT_TRUE(s.waitFor("> ", 4, std::chrono::seconds(30)));
    s.send("info\n");
    s.closeInput();
    const e2e::Result r = s.finish(std::chrono::seconds(60));
    const string out = e2e::ApresDemarrage(r.out);
    const std::vector<string> iterations = Valeurs(out, "Itérations : ");
    ASSERT_EQ(iterations.size(), 1u) << out;
    EXPECT_LT(std::atol(iterations[0].c_str()), 9999000);
    const std::vector<string> force = Valeurs(out, "force moyenne : ");
    ASSERT_EQ(force.size(), 1u);
    EXPECT_GT(std::strtod(force[0].c_str(), nullptr), 1e-9);  // stopped before the criterion
    EXPECT_EQ(e2e::Compter(out, "\nArrêt : interrompu.\n" + kTemps), 1) << out;
    EXPECT_NE(out.find("Nombre de particules : 3000\n"), string::npos);
}

// Ctrl+C during TAMMES on a relaxed set of 3000: the program being solved
// is left between two slices of its simplex, the closing lines follow and
// the smallest distance is no lower than before.
TEST(Tammes, CtrlCPendantUnProgramme) {
    e2e::Session s;
    s.start();
    s.send("mode info off\nnb 3000\nplacer spirale\nminimiser 100\ntammes 9999 k\n");
    ASSERT_TRUE(s.waitFor(kTemps, 1, std::chrono::seconds(60)));  // MINIMISER's
    ASSERT_TRUE(s.waitFor("> ", 5));  // TAMMES read
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    bool fini = false;
    for (int essai = 0; essai < 10 && !fini; ++essai) {
        s.signal(SIGINT);
        fini = s.waitFor(kTemps, 2, std::chrono::seconds(5));
    }
    ASSERT_TRUE(fini);
    s.closeInput();
    const e2e::Result r = s.finish(std::chrono::seconds(60));
    EXPECT_EQ(r.exitCode, 0);
    const string out = e2e::ApresDemarrage(r.out);
    const std::vector<string> iterations = Valeurs(out, "Itérations : ");
    ASSERT_EQ(iterations.size(), 2u) << out;
    EXPECT_LT(std::atol(iterations[1].c_str()), 9999000);
    EXPECT_EQ(e2e::Compter(out, "\nArrêt : interrompu.\n" + kTemps), 1) << out;
    const size_t fleche = out.find(" -> ");
    ASSERT_NE(fleche, string::npos) << out;
    const double avant = std::strtod(out.c_str() + out.rfind(": ", fleche) + 2, nullptr);
    EXPECT_GE(std::strtod(out.c_str() + fleche + 4, nullptr), avant);
}

// DEFAUTS builds the hull when it is stale: after a count change too.
TEST(Defauts, OctaedreApresChangementDeNombre) {
    const string out = Commandes("mode info off\nnb 6\nminimiser\ndefauts\nnb 12\nminimiser\ndefauts\n");
    EXPECT_NE(out.find("Degré 4 : 6\nDegré 5 : 0\nDegré 6 : 0\nDegré 7 : 0\nDegré 8 : 0\n"
                       "Charge topologique : 12\nCicatrices : 1\n"),
              string::npos)
        << out;
    EXPECT_NE(out.find("Degré 4 : 0\nDegré 5 : 12\n"), string::npos) << out;
}

// Sum over pairs of r^-s of the positions of a CSV written by ENREGISTRER.
double EnergieRiesz(const string& csv, double s) {
    std::istringstream in(csv);
    string ligne;
    std::getline(in, ligne);
    std::vector<std::array<double, 3>> p;
    while (std::getline(in, ligne)) {
        std::array<double, 3> q{};
        if (std::sscanf(ligne.c_str(), "%lf,%lf,%lf", &q[0], &q[1], &q[2]) == 3) p.push_back(q);
    }
    double e = 0.0;
    for (size_t i = 0; i < p.size(); ++i)
        for (size_t j = i + 1; j < p.size(); ++j)
            e += std::pow(std::pow(p[i][0] - p[j][0], 2) + std::pow(p[i][1] - p[j][1], 2) +
                              std::pow(p[i][2] - p[j][2], 2),
                          -0.5 * s);
    return e;
}

double Nombre(const string& texte) { return std::strtod(texte.c_str(), nullptr); }

// With s not 1: INFO's last line, MINIMISER's closing line and EXPLORER's
// announcements give the s-energy of the positions, and say so; with s = 1
// INFO has no such line.
TEST(S, LEnergieDeRieszEstDonneeEtNommee) {
    e2e::Session s;
    const e2e::Result r = s.run("mode info off\nnb 30\nplacer\ninfo\ns 6.0\nminimiser\ninfo\nenregistrer\na.csv\n"
                                "s 2.5\nexplorer 3\ninfo\nenregistrer\nb.csv\nquitter\n");
    ASSERT_EQ(r.exitCode, 0);
    const string out = e2e::ApresDemarrage(e2e::Masque(r.out));
    const std::vector<string> minimiser = Valeurs(out, ", énergie de Riesz s = 6 : ");
    const std::vector<string> info6 = Valeurs(out, "\nEnergie de Riesz s = 6 : ");
    ASSERT_EQ(minimiser.size(), 1u) << out;
    ASSERT_EQ(info6.size(), 1u) << out;
    const double e6 = EnergieRiesz(e2e::LireFichier(s.workDir() / "a.csv"), 6.0);
    EXPECT_NEAR(Nombre(minimiser[0]), e6, 1e-8 * e6);
    EXPECT_NEAR(Nombre(info6[0]), e6, 1e-8 * e6);
    const size_t theorique = out.find("Energie Potentiel minimum théorique : ", out.find(minimiser[0]));
    EXPECT_EQ(out.find("Energie de Riesz"), out.find('\n', theorique) + 1) << "after INFO's lines, not before";

    const std::vector<string> annonces = Valeurs(out, ", nouveau minimum, énergie de Riesz s = 2.5 : ");
    const std::vector<string> info25 = Valeurs(out, "\nEnergie de Riesz s = 2.5 : ");
    ASSERT_FALSE(annonces.empty()) << out;
    ASSERT_EQ(info25.size(), 1u) << out;
    const double e25 = EnergieRiesz(e2e::LireFichier(s.workDir() / "b.csv"), 2.5);
    EXPECT_NEAR(Nombre(annonces.back()), e25, 1e-8 * e25);
    EXPECT_NEAR(Nombre(info25[0]), e25, 1e-8 * e25);
    EXPECT_EQ(e2e::Compter(out, "Energie de Riesz"), 2) << "none at s = 1";
    EXPECT_EQ(e2e::Compter(out, "nouvelle énergie minimale"), 0);
}

// MINIMISER and TAMMES say why they stopped: the criterion met, the count
// of iterations reached (with the criterion then), no step left.
TEST(Minimiser, LaRaisonDeLArret) {
    const string out = Commandes("mode info off\nnb 100\nplacer\nminimiser 4\nminimiser\ntammes 2\ntammes\n");
    const std::vector<string> criteres = Valeurs(out, "force moyenne : ");
    ASSERT_EQ(criteres.size(), 2u) << out;
    EXPECT_NE(out.find("Arrêt : nombre maximal d'itérations atteint (4), le critère vaut alors " + criteres[0] +
                       " (1.e-9 demandé).\n" + kTemps),
              string::npos)
        << out;
    EXPECT_GT(Nombre(criteres[0]), 1e-9);
    EXPECT_LT(Nombre(criteres[1]), 1e-9);
    EXPECT_NE(out.find(", énergie : "), string::npos);
    EXPECT_NE(out.find("\nArrêt : critère atteint (force tangentielle maximale / force moyenne < 1.e-9).\n" + kTemps),
              string::npos)
        << out;
    EXPECT_NE(out.find("paires au contact : ", out.find("Itérations : 2,")), string::npos) << out;
    EXPECT_NE(out.find("\nArrêt : nombre maximal d'itérations atteint (2).\n" + kTemps), string::npos) << out;
    EXPECT_NE(out.find("\nArrêt : aucun déplacement ne peut plus augmenter la distance minimale.\n" + kTemps),
              string::npos)
        << out;
}

}  // namespace

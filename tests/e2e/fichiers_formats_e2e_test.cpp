// Position files other tools read and write: XYZ, CSV and numpy's columns,
// out by ENREGISTRER and in by CHARGER FICHIER; what CHARGER FICHIER tells of
// a file on standard error, and the files it refuses whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

struct Point {
    double x, y, z;
};

bool Meme(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The rows of a CSV as ENREGISTRER writes it: the header, then x,y,z.
std::vector<Point> LireCsv(const std::string& texte) {
    std::istringstream in(texte);
    std::string ligne;
    std::getline(in, ligne);
    EXPECT_EQ(ligne, "x,y,z");
    std::vector<Point> p;
    while (std::getline(in, ligne)) {
        Point q{};
        EXPECT_EQ(std::sscanf(ligne.c_str(), "%lf,%lf,%lf", &q.x, &q.y, &q.z), 3) << ligne;
        p.push_back(q);
    }
    return p;
}

// Sum over pairs of 1 / r^s.
double Energie(const std::vector<Point>& p, double s) {
    double e = 0.0;
    for (size_t i = 0; i < p.size(); ++i)
        for (size_t j = i + 1; j < p.size(); ++j) {
            const double dx = p[i].x - p[j].x, dy = p[i].y - p[j].y, dz = p[i].z - p[j].z;
            e += std::pow(dx * dx + dy * dy + dz * dz, -0.5 * s);
        }
    return e;
}

// The value INFO prints after `titre` (9 digits).
double ValeurInfo(const std::string& out, const std::string& titre) {
    const size_t at = out.rfind(titre);
    EXPECT_NE(at, std::string::npos) << out;
    return at == std::string::npos ? NAN : std::strtod(out.c_str() + at + titre.size(), nullptr);
}

const std::string kAucune =
    "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n";
const std::string kEnergie = "Energie Potentielle  : ";

// Runs a quiet session on `entree`, INFO's summary after each command off,
// ended by QUITTER.
e2e::Result Quiet(e2e::Session& s, const std::string& entree, bool strict = false) {
    s.setArgs(strict ? std::vector<std::string>{"-q", "--strict"} : std::vector<std::string>{"-q"});
    return s.run("mode info off\n" + entree + "quitter\n");
}

// A regular octahedron at radius r, in numpy's savetxt forms (blanks, or
// commas and a "#" header) when python3 has numpy, else the same text by hand.
void EcrireColonnes(const fs::path& dossier, double r) {
    const std::string script =
        "import numpy as np\n"
        "p = " + std::to_string(r) + " * np.array([[1,0,0],[-1,0,0],[0,1,0],[0,-1,0],[0,0,1],[0,0,-1]], float)\n"
        "np.savetxt('" + (dossier / "blancs.txt").string() + "', p)\n"
        "np.savetxt('" + (dossier / "virgules.txt").string() + "', p, delimiter=',', header='x,y,z')\n";
    e2e::EcrireFichier(dossier / "ecrire.py", script);
    const std::string commande = "/usr/bin/python3 '" + (dossier / "ecrire.py").string() + "' 2>/dev/null";
    if (std::system(commande.c_str()) == 0) return;
    std::string blancs, virgules = "# x,y,z\n";
    const int axes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const auto& a : axes) {
        char ligne[200];
        std::snprintf(ligne, sizeof ligne, "%.18e %.18e %.18e\n", r * a[0], r * a[1], r * a[2]);
        blancs += ligne;
        std::snprintf(ligne, sizeof ligne, "%.18e,%.18e,%.18e\n", r * a[0], r * a[1], r * a[2]);
        virgules += ligne;
    }
    e2e::EcrireFichier(dossier / "blancs.txt", blancs);
    e2e::EcrireFichier(dossier / "virgules.txt", virgules);
}

}  // namespace

// Saved in each format, then loaded over another configuration and saved
// again: XYZ and CSV give back every bit, the program's own format its 15
// digits.
TEST(FormatsFichiers, RoundTripsKeepWhatEachFormatHolds) {
    e2e::Session s;
    const e2e::Result r = Quiet(s,
                                "nb 50\nplacer alea\nrelax 20\nenregistrer\na.xyz\nenregistrer\na.csv\nenregistrer\n"
                                "a.txt\nplacer spirale\ncharger fichier\na.xyz\nenregistrer\nde_xyz.csv\n"
                                "placer spirale\ncharger fichier\na.csv\nenregistrer\nde_csv.csv\n"
                                "placer spirale\ncharger fichier\na.txt\nenregistrer\nde_txt.txt\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    const std::string csv = e2e::LireFichier(s.workDir() / "a.csv");
    const std::vector<Point> p = LireCsv(csv);
    ASSERT_EQ(p.size(), 50u);
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "de_xyz.csv"), csv);
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "de_csv.csv"), csv);
    EXPECT_EQ(e2e::LireFichier(s.workDir() / "de_txt.txt"), e2e::LireFichier(s.workDir() / "a.txt"));

    std::istringstream xyz(e2e::LireFichier(s.workDir() / "a.xyz"));
    std::string ligne;
    std::getline(xyz, ligne);
    EXPECT_EQ(ligne, "50");
    std::getline(xyz, ligne);
    EXPECT_EQ(ligne.rfind("n=50 s=1 energy=", 0), 0u) << ligne;
    for (const Point& attendu : p) {
        std::string symbole;
        Point q{};
        xyz >> symbole >> q.x >> q.y >> q.z;
        EXPECT_EQ(symbole, "X");
        EXPECT_TRUE(Meme(q, attendu));
    }
    EXPECT_FALSE(xyz >> ligne);
}

// The comment line of an XYZ file: the count, s, the Coulomb energy INFO
// reports, the s-energy and the minimum distance of the positions written,
// and the seed in use.
TEST(FormatsFichiers, TheXyzCommentDescribesThePositions) {
    e2e::Session s;
    const e2e::Result r = Quiet(s, "graine 12345\nnb 40\nplacer alea\ns 6.0\nenregistrer\nb.xyz\nenregistrer\nb.csv\ninfo\n");
    ASSERT_EQ(r.exitCode, 0);
    const std::vector<Point> p = LireCsv(e2e::LireFichier(s.workDir() / "b.csv"));
    ASSERT_EQ(p.size(), 40u);
    std::istringstream xyz(e2e::LireFichier(s.workDir() / "b.xyz"));
    std::string ligne;
    std::getline(xyz, ligne);
    std::getline(xyz, ligne);
    int n = 0;
    double exposant = 0, e = 0, es = 0, d = 0;
    ASSERT_EQ(std::sscanf(ligne.c_str(), "n=%d s=%lf energy=%lf riesz_energy=%lf min_distance=%lf", &n, &exposant,
                          &e, &es, &d),
              5)
        << ligne;
    EXPECT_EQ(n, 40);
    EXPECT_EQ(exposant, 6.0);
    EXPECT_NEAR(e, ValeurInfo(r.out, kEnergie), 1e-8 * e);
    EXPECT_NEAR(e, Energie(p, 1.0), 1e-6 * e);  // the program's sum rounds each term to float
    EXPECT_NEAR(es, Energie(p, 6.0), 1e-12 * es);
    double carre = 4.0;
    for (size_t i = 0; i < p.size(); ++i)
        for (size_t j = i + 1; j < p.size(); ++j)
            carre = std::min(carre, std::pow(p[i].x - p[j].x, 2) + std::pow(p[i].y - p[j].y, 2) +
                                        std::pow(p[i].z - p[j].z, 2));
    EXPECT_NEAR(d, std::sqrt(carre), 1e-14);
    EXPECT_NEAR(d, ValeurInfo(r.out, "Distance minimale    : "), 1e-8);
    EXPECT_NE(ligne.find(" seed=12345"), std::string::npos) << ligne;
}

// Files from elsewhere load to the octahedron's energy, 12 / sqrt(2) + 3 / 2:
// numpy's columns at radius 2 (brought onto the sphere, with a warning) and
// a short XYZ writer's file.
TEST(FormatsFichiers, FilesOfOtherToolsLoadToTheRightEnergy) {
    e2e::Session s;
    EcrireColonnes(s.workDir(), 2.0);
    e2e::EcrireFichier(s.workDir() / "court.xyz",
                       "6\noctaedre\nC 0 0 1\nC 0 0 -1\nC 0 1 0\nC 0 -1 0\nC 1 0 0\nC -1 0 0\n\n");
    const double attendue = 12.0 / std::sqrt(2.0) + 1.5;
    for (const char* nom : {"blancs.txt", "virgules.txt", "court.xyz"}) {
        const e2e::Result r = Quiet(s, std::string("nb 6\nplacer alea\ncharger fichier\n") + nom + "\ninfo\n", true);
        EXPECT_EQ(r.exitCode, 0) << nom << r.err;
        EXPECT_NEAR(ValeurInfo(r.out, kEnergie), attendue, 1e-8) << nom << r.out;
        EXPECT_NEAR(ValeurInfo(r.out, "Distance minimale    : "), std::sqrt(2.0), 1e-8) << nom;
        const std::string ramenees = "Attention : " + std::string(nom) +
                                     " : positions hors de la sphère unité, ramenées sur elle : 6.\n";
        EXPECT_EQ(r.err, std::string(nom) == "court.xyz" ? "" : ramenees) << nom;
    }
}

// Each refusal of a file, with its reason on standard error: the invalid-file
// message on standard output, nothing changed, status 1 under --strict;
// devices without end and oversized files are refused as quickly.
TEST(FormatsFichiers, FilesRefusedWholeChangeNothing) {
    e2e::Session s;
    const fs::path w = s.workDir();
    e2e::EcrireFichier(w / "compte.xyz", "5\n\nX 1 0 0\nX -1 0 0\nX 0 1 0\nX 0 -1 0\nX 0 0 1\n");
    e2e::EcrireFichier(w / "coupe.xyz", "6\ncommentaire\nX 1 0 0\nX -1 0 0\n");
    e2e::EcrireFichier(w / "apres.xyz", "6\n\nX 1 0 0\nX -1 0 0\nX 0 1 0\nX 0 -1 0\nX 0 0 1\nX 0 0 -1\n6\n");
    e2e::EcrireFichier(w / "court.csv", "x,y,z\n1,0,0\n-1,0,0\n0,1,0\n0,-1,0\n0,0,1\n");
    e2e::EcrireFichier(w / "mot.csv", "x,y,z\n1,0,0\n-1,0,0\n0,1,0\n0,-1,0\n0,0,1\n0,zero,-1\n");
    e2e::EcrireFichier(w / "nul.txt", "1 0 0\n-1 0 0\n0 1 0\n0 -1 0\n0 0 1\n0 0 0\n");
    e2e::EcrireFichier(w / "infini.txt", "1 0 0\n-1 0 0\n0 1 0\n0 -1 0\n0 0 1\n0 0 -inf\n");
    const char binaire[] = "0:\t1\t0\t0\n1:\t0\t1\t0\n\0\0\0\n";
    e2e::EcrireFichier(w / "binaire.txt", std::string(binaire, sizeof binaire - 1));
    e2e::EcrireFichier(w / "vide.txt", "");
    std::string grand;
    for (int i = 0; i < 200000; ++i) grand += "0.6 0.8 0\n";
    e2e::EcrireFichier(w / "grand.txt", grand);
    fs::create_directory(w / "dossier");
    const std::pair<const char*, const char*> refus[] = {
        {"compte.xyz", "fichier XYZ : il annonce 5 positions, il en faut 6"},
        {"coupe.xyz", "fichier XYZ : 2 positions, il en faut exactement 6"},
        {"apres.xyz", "fichier XYZ : plus de 6 positions, il en faut exactement 6"},
        {"court.csv", "fichier CSV : 5 positions, il en faut exactement 6"},
        {"mot.csv", "fichier CSV : la ligne 7 n'est pas une position (x, y, z)"},
        {"nul.txt", "fichier à trois colonnes : la ligne 6 donne une position nulle ou non finie, qui n'a pas de "
                    "direction"},
        {"infini.txt", "fichier à trois colonnes : la ligne 6 donne une position nulle ou non finie, qui n'a pas "
                       "de direction"},
        {"binaire.txt", "ce n'est pas un fichier texte"},
        {"vide.txt", "il est vide"},
        {"grand.txt", "fichier à trois colonnes : plus de 6 positions, il en faut exactement 6"},
        {"dossier", "il ne peut pas être lu"},
        {"absent.txt", "il ne peut pas être ouvert"},
        {"/dev/zero", "ce n'est pas un fichier texte"},
        {"/dev/urandom", nullptr},  // a NUL byte, or a line too long, whichever comes first
    };
    for (const auto& [nom, pourquoi] : refus) {
        const e2e::Result r = Quiet(s,
                                    std::string("nb 6\nplacer spirale\nenregistrer\navant.csv\ncharger fichier\n") +
                                        nom + "\nenregistrer\napres.csv\n",
                                    true);
        EXPECT_EQ(r.exitCode, 1) << nom;
        EXPECT_EQ(r.out, kAucune) << nom;
        const std::string debut = "Attention : " + std::string(nom) + " refusé : ";
        if (pourquoi != nullptr) {
            EXPECT_EQ(r.err, debut + pourquoi + " ; rien n'a changé.\n") << nom;
        } else {
            EXPECT_EQ(r.err.rfind(debut, 0), 0u) << r.err;
        }
        EXPECT_EQ(e2e::LireFichier(w / "apres.csv"), e2e::LireFichier(w / "avant.csv")) << nom;
    }
}

// The program's own format is read as it always was (missing particles stay,
// lines out of range or unreadable skipped, coordinates kept as they are),
// each of those told once on standard error; standard output and the status
// stay those of a file taken, even under --strict.
TEST(FormatsFichiers, TheProgramsOwnFormatIsToldWhatItsReadingDid) {
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "part.txt", "0:\t1\t0\t0\nrien\n\n2:\t0\t2\t0\n7:\t1\t1\t1\n");
    e2e::Result r = Quiet(s, "nb 6\ncharger fichier\npart.txt\nenregistrer\np.txt\n", true);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Attention : part.txt : lignes ignorées : 2 (illisibles, ou d'un indice hors de 0 à 5).\n"
              "Attention : part.txt : particules absentes du fichier, qui gardent leur position : 4 sur 6.\n"
              "Attention : part.txt : positions hors de la sphère unité, prises telles quelles : 1.\n");
    const std::string p = e2e::LireFichier(s.workDir() / "p.txt");
    EXPECT_NE(p.find("0:\t1\t0\t0\n"), std::string::npos) << p;
    EXPECT_NE(p.find("2:\t0\t2\t0\n"), std::string::npos) << p;

    // The reading stops after N + 1000 lines.
    std::string longue;
    for (int i = 0; i < 6; ++i) longue += std::to_string(i) + ":\t0\t0\t1\n";
    for (int i = 0; i < 1100; ++i) longue += "rien\n";
    e2e::EcrireFichier(s.workDir() / "longue.txt", longue);
    r = Quiet(s, "nb 6\ncharger fichier\nlongue.txt\n", true);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "Attention : longue.txt : lignes ignorées : 1000 (illisibles, ou d'un indice hors de 0 à 5).\n"
              "Attention : longue.txt : plus de 1006 lignes, la suite n'est pas lue.\n");
}

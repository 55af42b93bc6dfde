// EXPORTER read back with a JSON library and its hull degrees checked
// against a hull computed by another program (Qhull); TRACE's rows for
// MINIMISER and EXPLORER, and its file closed at OFF and at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include "e2e/harness.h"

namespace {

using Point = std::array<double, 3>;

// Each point's neighbours on the triangulated hull ("Qt"): its degree.
std::vector<int> DegresQhull(const std::vector<Point>& p) {
    std::vector<coordT> coords;
    for (const Point& v : p) coords.insert(coords.end(), v.begin(), v.end());
    std::vector<std::set<int>> voisins(p.size());
    qhT qhStorage;
    qhT* qh = &qhStorage;
    qh_zero(qh, stderr);
    const int code = qh_new_qhull(qh, 3, static_cast<int>(p.size()), coords.data(), False,
                                  const_cast<char*>("qhull Qt"), nullptr, stderr);
    EXPECT_EQ(code, 0);
    if (code == 0) {
        facetT* facet;
        FORALLfacets {
            std::vector<int> sommets;
            vertexT *vertex, **vertexp;
            FOREACHvertex_(facet->vertices) sommets.push_back(qh_pointid(qh, vertex->point));
            for (int a : sommets)
                for (int b : sommets)
                    if (a != b) voisins[static_cast<size_t>(a)].insert(b);
        }
    }
    qh_freeqhull(qh, !qh_ALL);
    int curlong, totlong;
    qh_memfreeshort(qh, &curlong, &totlong);
    std::vector<int> degres;
    for (const auto& v : voisins) degres.push_back(static_cast<int>(v.size()));
    return degres;
}

double Distance(const Point& a, const Point& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

std::vector<std::vector<double>> LignesCsv(const std::string& texte, std::string& entete) {
    std::istringstream in(texte);
    std::getline(in, entete);
    std::vector<std::vector<double>> lignes;
    for (std::string ligne; std::getline(in, ligne);) {
        std::vector<double> v;
        std::istringstream champs(ligne);
        for (std::string c; std::getline(champs, c, ',');) v.push_back(std::stod(c));
        lignes.push_back(v);
    }
    return lignes;
}

TEST(Exporter, JsonEtCsvDecriventLaConfigurationEtSesDefauts) {
    e2e::Session s;
    const e2e::Result r = s.run("mode info off\nnb 300\ngraine 11\nplacer alea\nminimiser 60\n"
                                "exporter\nc.json\nexporter\nc.CSV\nenregistrer\np.csv\nquitter\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(e2e::LireFichier(s.workDir() / "c.json"));
    for (const char* cle : {"n", "s", "seed", "energy", "riesz_energy", "min_distance", "positions", "degrees",
                            "scars", "defects", "point_group"})
        EXPECT_TRUE(j.contains(cle)) << cle;
    ASSERT_EQ(j["n"], 300);
    EXPECT_EQ(j["seed"], 11);
    EXPECT_EQ(j["s"], 1.0);
    const auto positions = j["positions"].get<std::vector<Point>>();
    const auto degres = j["degrees"].get<std::vector<int>>();
    const auto cicatrices = j["scars"].get<std::vector<int>>();
    ASSERT_EQ(positions.size(), 300u);
    ASSERT_EQ(degres.size(), 300u);
    ASSERT_EQ(cicatrices.size(), 300u);

    // The positions are those ENREGISTRER writes, to the last bit.
    std::string entete;
    const auto enregistrees = LignesCsv(e2e::LireFichier(s.workDir() / "p.csv"), entete);
    ASSERT_EQ(enregistrees.size(), 300u);
    double energie = 0.0, plusProche = 4.0;
    for (size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(positions[i][0], enregistrees[i][0]);
        EXPECT_EQ(positions[i][1], enregistrees[i][1]);
        EXPECT_EQ(positions[i][2], enregistrees[i][2]);
        for (size_t k = i + 1; k < positions.size(); ++k) {
            const double d = Distance(positions[i], positions[k]);
            energie += 1.0 / d;
            plusProche = std::min(plusProche, d);
        }
    }
    EXPECT_NEAR(j["energy"].get<double>(), energie, 1e-11 * energie);
    EXPECT_EQ(j["riesz_energy"].get<double>(), j["energy"].get<double>());
    EXPECT_NEAR(j["min_distance"].get<double>(), plusProche, 1e-14);

    EXPECT_EQ(degres, DegresQhull(positions));
    int charge = 0;
    std::map<int, int> parDegre;
    std::map<int, int> parCicatrice;
    for (size_t i = 0; i < degres.size(); ++i) {
        charge += 6 - degres[i];
        ++parDegre[degres[i]];
        if (cicatrices[i] > 0) {
            EXPECT_NE(degres[i], 6) << i;
            ++parCicatrice[cicatrices[i]];
        }
    }
    EXPECT_EQ(charge, 12);
    const nlohmann::json& d = j["defects"];
    EXPECT_EQ(d["charge"], 12);
    for (const auto& [g, n] : parDegre) EXPECT_EQ(d["by_degree"][std::to_string(g)], n) << g;
    // Scars are numbered 1 .. their count, each of several particles.
    ASSERT_EQ(static_cast<int>(parCicatrice.size()), d["scars"].get<int>());
    int numero = 0;
    for (const auto& [c, n] : parCicatrice) {
        EXPECT_EQ(c, ++numero);
        EXPECT_GE(n, 2) << c;
    }
    EXPECT_TRUE(j["point_group"].is_string());

    // The CSV holds the same rows.
    const auto lignes = LignesCsv(e2e::LireFichier(s.workDir() / "c.CSV"), entete);
    EXPECT_EQ(entete, "x,y,z,degree,scar");
    ASSERT_EQ(lignes.size(), 300u);
    for (size_t i = 0; i < lignes.size(); ++i) {
        ASSERT_EQ(lignes[i].size(), 5u);
        EXPECT_EQ(lignes[i][0], positions[i][0]);
        EXPECT_EQ(lignes[i][2], positions[i][2]);
        EXPECT_EQ(lignes[i][3], degres[i]);
        EXPECT_EQ(lignes[i][4], cicatrices[i]);
    }
}

TEST(Exporter, NomSansFormatEtDossierFermeSontDesErreurs) {
    e2e::Session s;
    s.setArgs({"--strict"});
    const e2e::Result r = s.run("nb 20\nexporter\nc.txt\nexporter\nabsent/c.json\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(e2e::Compter(r.out, "Erreur : le nom de fichier n'est pas valide.\n"), 2) << r.out;
    EXPECT_FALSE(std::filesystem::exists(s.workDir() / "c.txt"));

    e2e::Session t;
    t.setArgs({"--strict"});
    EXPECT_EQ(t.run("nb 20\nexporter\nc.json\n").exitCode, 0);
}

TEST(Trace, MinimiserEcritUneLigneParIterationEtOffFerme) {
    e2e::Session s;
    const e2e::Result r = s.run("mode info off\nnb 150\ngraine 3\nplacer alea\ntrace on\nt.csv\nminimiser 40\n"
                                "trace off\nminimiser 10\nquitter\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string entete;
    const auto lignes = LignesCsv(e2e::LireFichier(s.workDir() / "t.csv"), entete);
    EXPECT_EQ(entete, "iteration,evaluations,energy,riesz_energy,max_tangential_force");
    ASSERT_EQ(lignes.size(), 40u);  // nothing after OFF
    for (size_t i = 0; i < lignes.size(); ++i) {
        ASSERT_EQ(lignes[i].size(), 5u);
        EXPECT_EQ(lignes[i][0], static_cast<double>(i + 1));
        EXPECT_EQ(lignes[i][2], lignes[i][3]);  // s = 1
        EXPECT_GT(lignes[i][4], 0.0);
        if (i > 0) {
            EXPECT_LT(lignes[i][2], lignes[i - 1][2]) << "row " << i;
            EXPECT_GT(lignes[i][1], lignes[i - 1][1]);
        }
    }
}

// At s != 1 the descent keeps its forces at a scale of its own: the row must
// give those of the sum of r^-s, and the Coulomb energy beside it.
TEST(Trace, HorsCoulombLaDerniereLigneDecritLesPositionsAtteintes) {
    e2e::Session s;
    const e2e::Result r = s.run("mode info off\nnb 80\ngraine 9\nplacer alea\ns 3.0\ntrace on\nt.csv\n"
                                "minimiser 25\ntrace off\nenregistrer\np.csv\nquitter\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string entete;
    const auto lignes = LignesCsv(e2e::LireFichier(s.workDir() / "t.csv"), entete);
    ASSERT_EQ(lignes.size(), 25u);
    std::vector<Point> x;
    for (const auto& l : LignesCsv(e2e::LireFichier(s.workDir() / "p.csv"), entete)) x.push_back({l[0], l[1], l[2]});
    ASSERT_EQ(x.size(), 80u);
    double coulomb = 0.0, riesz = 0.0, force = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        Point f{};
        for (size_t k = 0; k < x.size(); ++k) {
            if (k == i) continue;
            const double d = Distance(x[i], x[k]);
            if (k > i) {
                coulomb += 1.0 / d;
                riesz += std::pow(d, -3.0);
            }
            for (int c = 0; c < 3; ++c) f[c] += 3.0 * (x[i][c] - x[k][c]) * std::pow(d, -5.0);
        }
        const double radial = f[0] * x[i][0] + f[1] * x[i][1] + f[2] * x[i][2];
        double t2 = 0.0;
        for (int c = 0; c < 3; ++c) t2 += (f[c] - radial * x[i][c]) * (f[c] - radial * x[i][c]);
        force = std::max(force, std::sqrt(t2));
    }
    const auto& derniere = lignes.back();
    EXPECT_NEAR(derniere[2], coulomb, 1e-12 * coulomb);
    EXPECT_NEAR(derniere[3], riesz, 1e-12 * riesz);
    EXPECT_NEAR(derniere[4], force, 1e-6 * force);
}

TEST(Trace, ExplorerEcritChaqueSautEtLaFinDuProgrammeFerme) {
    e2e::Session s;
    // No TRACE OFF, no QUITTER: the end of the input closes the file.
    const e2e::Result r = s.run("mode info off\nmode openmp on\nnb 40\ngraine 4\nplacer alea\ns 3.0\n"
                                "trace on\nt.csv\nexplorer 6\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string entete;
    const auto lignes = LignesCsv(e2e::LireFichier(s.workDir() / "t.csv"), entete);
    EXPECT_EQ(entete, "hop,walker,energy,lowest,accepted,temperature,seconds");
    std::map<int, std::vector<std::vector<double>>> parMarcheur;
    for (const auto& l : lignes) {
        ASSERT_EQ(l.size(), 7u);
        parMarcheur[static_cast<int>(l[1])].push_back(l);
    }
    ASSERT_FALSE(parMarcheur.empty());
    EXPECT_EQ(lignes.size(), 7u * parMarcheur.size());  // hops 0 to 6 of each walker
    for (const auto& [w, ls] : parMarcheur) {
        for (size_t k = 0; k < ls.size(); ++k) {
            EXPECT_EQ(ls[k][0], static_cast<double>(k)) << w;
            EXPECT_LE(ls[k][3], ls[k][2] * (1 + 1e-15)) << w << " " << k;
            EXPECT_TRUE(ls[k][4] == 0.0 || ls[k][4] == 1.0);
            EXPECT_GT(ls[k][5], 0.0);
            if (k > 0) {
                EXPECT_LE(ls[k][3], ls[k - 1][3]);
                EXPECT_GE(ls[k][6], ls[k - 1][6]);
            }
        }
    }
}

}  // namespace

// Shared by the tests of glomerix-explorer: its lines and the records it
// leaves, read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace explorer {

namespace fs = std::filesystem;
using std::string;

inline const fs::path kExplorer = e2e::Programme("glomerix-explorer");
inline const fs::path kDb = e2e::Programme("glomerix-db");

// One announcement, without its time.
struct Annonce {
    int n;
    long long saut;
    string energie;
    bool operator==(const Annonce&) const = default;
};

inline std::vector<Annonce> Annonces(const string& out) {
    std::vector<Annonce> a;
    std::istringstream flux(out);
    for (string ligne; std::getline(flux, ligne);) {
        const size_t saut = ligne.find(" : saut "), energie = ligne.find(", énergie ");
        if (saut == string::npos || energie == string::npos) continue;
        a.push_back({std::stoi(ligne.substr(0, saut)), std::stoll(ligne.substr(saut + 8)),
                     ligne.substr(energie + 11, ligne.find(',', energie + 11) - energie - 11)});
    }
    return a;
}

// The counts with a summary line, and the lowest energy each gives.
inline std::map<int, double> Bilans(const string& out) {
    std::map<int, double> b;
    std::istringstream flux(out);
    for (string ligne; std::getline(flux, ligne);) {
        const size_t fin = ligne.find(" : fin, énergie minimale ");
        if (fin != string::npos) b[std::stoi(ligne.substr(0, fin))] = std::strtod(ligne.c_str() + fin + 26, nullptr);
    }
    return b;
}

// Runs glomerix-db with `option` on base, its output into `sortie`.
inline int Db(const string& option, const fs::path& base, const string& sortie) {
    std::ostringstream commande;
    commande << '\'' << kDb.string() << "' " << option << " '" << base.string() << "' > '" << sortie << '\'';
    return std::system(commande.str().c_str());
}

// glomerix-db's dump: the best energy stored per count; "sound" from --check.
inline std::map<int, double> Records(const fs::path& base, bool* sain) {
    std::map<int, double> r;
    const string sortie = base.string() + ".txt";
    *sain = Db("--check", base, "/dev/null") == 0;
    EXPECT_EQ(Db("--dump", base, sortie), 0);
    std::istringstream flux(e2e::LireFichier(sortie));
    for (string l; std::getline(flux, l);) {
        const size_t record = l.find("record "), energie = l.find(" energy ");
        if (record != string::npos && energie != string::npos) {
            r[std::atoi(l.c_str() + record + 7)] = std::strtod(l.c_str() + energie + 8, nullptr);
        }
    }
    return r;
}

}  // namespace explorer

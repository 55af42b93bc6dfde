// EXPORTER: the current configuration with what the program knows of it,
// as JSON or CSV by the name's extension, numbers to 17 significant digits.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/defauts.h"
#include "shell/commandes.h"
#include "shell/commandes_fichiers.h"
#include "shell/commandes_symetrie.h"
#include "shell/messages.h"

namespace {

struct Export {
    ResumePositions resume;
    std::vector<Vec3> positions;
    std::vector<int32_t> degres;
    std::vector<int> cicatrices;  // per particle: its scar, from 1; 0 outside any
    Defauts defauts;
    GroupePonctuel groupe;
};

// A scar is a cluster of more than one particle whose charge is not 0;
// they are numbered from 1 in the clusters' order.
std::vector<int> NumerosDeCicatrices(const AmasDefauts& a) {
    std::vector<int> numero(a.charges.size(), 0);
    int suivant = 0;
    for (size_t k = 0; k < a.charges.size(); ++k) {
        if (a.tailles[k] > 1 && a.charges[k] != 0) numero[k] = ++suivant;
    }
    std::vector<int> parParticule(a.amas.size(), 0);
    for (size_t i = 0; i < a.amas.size(); ++i) {
        if (a.amas[i] >= 0) parParticule[i] = numero[static_cast<size_t>(a.amas[i])];
    }
    return parParticule;
}

Export Rassembler() {
    Export e;
    {
        Garde verrou(verrouEtat);
        CalculerEnveloppe(false);
        e.positions = CopierPositions();
        e.resume = ResumeCourant(e.positions);
        e.degres.resize(static_cast<size_t>(etat.count));
        for (int i = 0; i < etat.count; ++i) e.degres[static_cast<size_t>(i)] = etat.particles[i].degree;
        const int aretes = std::clamp(enveloppe.edgeCount, 0, static_cast<int>(enveloppe.edges.size()));
        const std::span<const HullEdge> liste(enveloppe.edges.data(), static_cast<size_t>(aretes));
        e.defauts = CompterDefauts(liste, e.degres);
        e.cicatrices = NumerosDeCicatrices(TrouverAmas(liste, e.degres));
    }
    e.groupe = TrouverGroupePonctuel(e.positions, ToleranceSymetrie());
    return e;
}

// JSON has no infinity nor NaN: null stands for them.
std::string Nombre(double v) {
    if (!std::isfinite(v)) return "null";
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.17g", v);
    return texte;
}

template <typename T>
std::string Liste(const std::vector<T>& v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) s += (i > 0 ? ", " : "") + std::to_string(v[i]);
    return s + "]";
}

std::string DefautsJson(const Defauts& d) {
    std::string parDegre;
    for (int g = 0; g < static_cast<int>(d.parDegre.size()) || g <= 8; ++g) {
        const int nombre = g < static_cast<int>(d.parDegre.size()) ? d.parDegre[static_cast<size_t>(g)] : 0;
        if (nombre == 0 && (g < 4 || g > 8)) continue;
        parDegre += (parDegre.empty() ? "\"" : ", \"") + std::to_string(g) + "\": " + std::to_string(nombre);
    }
    std::string charges;
    for (const auto& [charge, nombre] : d.chargesCicatrices)
        charges += (charges.empty() ? "\"" : ", \"") + std::to_string(charge) + "\": " + std::to_string(nombre);
    return "{\"by_degree\": {" + parDegre + "}, \"charge\": " + std::to_string(d.charge) +
           ", \"scars\": " + std::to_string(d.cicatrices) + ", \"scar_charges\": {" + charges +
           "}, \"degree_5_in_scars\": " + std::to_string(d.cinqEnCicatrices) +
           ", \"degree_7_in_scars\": " + std::to_string(d.septEnCicatrices) +
           ", \"dislocations\": " + std::to_string(d.dislocations) +
           ", \"isolated_disclinations\": " + std::to_string(d.disclinations) + "}";
}

bool EcrireJson(std::FILE* f, const Export& e) {
    const ResumePositions& r = e.resume;
    std::string s = "{\n  \"n\": " + std::to_string(r.n) + ",\n  \"s\": " + Nombre(r.s) + ",\n  \"seed\": " +
                    (r.graine ? std::to_string(*r.graine) : "null") + ",\n  \"energy\": " + Nombre(r.energie) +
                    ",\n  \"riesz_energy\": " + Nombre(r.energieS) + ",\n  \"min_distance\": " + Nombre(r.distance) +
                    ",\n  \"positions\": [";
    for (size_t i = 0; i < e.positions.size(); ++i) {
        const Vec3& p = e.positions[i];
        s += std::string(i > 0 ? ",\n    [" : "\n    [") + Nombre(p.x) + ", " + Nombre(p.y) + ", " + Nombre(p.z) + "]";
    }
    s += "\n  ],\n  \"degrees\": " + Liste(e.degres) + ",\n  \"scars\": " + Liste(e.cicatrices) +
         ",\n  \"defects\": " + DefautsJson(e.defauts) + ",\n  \"point_group\": \"" + e.groupe.nom + "\"\n}\n";
    return std::fwrite(s.data(), 1, s.size(), f) == s.size();
}

bool EcrireCsvComplet(std::FILE* f, const Export& e) {
    bool ok = std::fputs("x,y,z,degree,scar\n", f) >= 0;
    for (size_t i = 0; i < e.positions.size(); ++i) {
        const Vec3& p = e.positions[i];
        ok = std::fprintf(f, "%.17g,%.17g,%.17g,%d,%d\n", p.x, p.y, p.z, e.degres[i], e.cicatrices[i]) > 0 && ok;
    }
    return ok;
}

bool FinitPar(std::string_view nom, std::string_view fin) {
    if (nom.size() <= fin.size()) return false;
    return std::equal(fin.begin(), fin.end(), nom.end() - static_cast<std::ptrdiff_t>(fin.size()),
                      [](char f, char c) { return std::tolower(static_cast<unsigned char>(c)) == f; });
}

}  // namespace

void CommandeExporter(const Ligne&) {
    const std::string tape = DemanderNomAEcrire();
    const bool json = FinitPar(tape, ".json");
    if (!json && !FinitPar(tape, ".csv")) {
        Signaler(Msg::NomFichierNonValide);
        return;
    }
    std::FILE* f = std::fopen(NomSysteme(tape).c_str(), "w");
    if (f == nullptr) {
        Signaler(Msg::NomFichierNonValide);
        return;
    }
    const Export e = Rassembler();
    FinirEcriture(f, json ? EcrireJson(f, e) : EcrireCsvComplet(f, e), tape);
}

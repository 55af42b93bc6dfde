#include "shell/commandes_symetrie.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "etat/particules.h"
#include "shell/messages.h"
#include "ternex/ternex.h"

namespace {

// Up to twelve digits after the point, more than other reals take: the
// default 1e-5 is typed 0.00001.
constexpr size_t kChiffresApresPoint = 12;

double tolerance = kToleranceSymetrie;

bool Chiffres(const std::string& t, size_t min, size_t max) {
    if (t.size() < min || t.size() > max) return false;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The a.b of words 1 and 2, digits only (no sign: a tolerance is positive).
std::optional<double> LireTolerance(const Ligne& ligne) {
    const std::string& a = ligne.texte(1);
    const std::string& b = ligne.texte(2);
    if (ligne.count < 3 || !Chiffres(a, 0, 4) || !Chiffres(b, 1, kChiffresApresPoint)) return std::nullopt;
    const std::string texte = (a.empty() ? "0" : a) + "." + b;
    double t = 0.0;
    std::from_chars(texte.data(), texte.data() + texte.size(), t);
    if (!(t > 0.0 && t <= kToleranceSymetrieMax)) return std::nullopt;
    return t;
}

// Rounding leaves 1e-17 where the axis has a zero.
double Arrondi(double c) { return std::abs(c) < 1e-12 ? 0.0 : c; }

}  // namespace

double ToleranceSymetrie() { return tolerance; }

GroupePonctuel GroupeCourant() {
    std::vector<Vec3> x;
    {
        Garde verrou(verrouEtat);
        x = CopierPositions();
    }
    return TrouverGroupePonctuel(x, tolerance);
}

void EcrireGroupe(const GroupePonctuel& g) {
    console.write("Groupe ponctuel : ").write(g.nom.c_str()).write(", d'ordre ").write(g.ordre).write("\n");
}

void CommandeSymetrie(const Ligne& ligne) {
    if (ligne.count >= 2) {
        const std::optional<double> t = LireTolerance(ligne);
        if (!t) {
            Signaler(Msg::ParametreNonValide);
            return;
        }
        tolerance = *t;
    }
    const GroupePonctuel g = GroupeCourant();
    EcrireGroupe(g);
    console.write("Tolérance sur les positions : ").write(tolerance).write("\n");
    if (g.axes.empty()) {
        console.write("Aucun axe de rotation.\n");
        return;
    }
    console.write(g.axes.size() > 1 ? "Axes" : "Axe").write(" d'ordre ").write(g.ordreAxes).write(" :\n");
    for (const Vec3& u : g.axes) {
        console.write("  ").write(Arrondi(u.x)).write(" ").write(Arrondi(u.y)).write(" ").write(Arrondi(u.z)).write("\n");
    }
}

// Position files in and out.
#include "store/fichiers_positions.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdlib>

namespace {

enum class Lecture { Ligne, Fin, TropLongue, Binaire, Erreur };

// One line without its line feed, at most kLigneMax characters: a longer one
// is never read to its end (a device such as /dev/zero has none). A NUL byte
// is in no text file.
Lecture LireLigne(std::FILE* f, std::string& ligne) {
    ligne.clear();
    for (int c; (c = std::getc(f)) != EOF;) {
        if (c == '\n') return Lecture::Ligne;
        if (c == '\0') return Lecture::Binaire;
        if (ligne.size() == kLigneMax) return Lecture::TropLongue;
        ligne.push_back(static_cast<char>(c));
    }
    if (std::ferror(f)) return Lecture::Erreur;
    return ligne.empty() ? Lecture::Fin : Lecture::Ligne;
}

const char* RefusDeLecture(Lecture l) {
    switch (l) {
        case Lecture::TropLongue: return "une ligne dépasse 4096 caractères";
        case Lecture::Binaire: return "ce n'est pas un fichier texte";
        case Lecture::Erreur: return "il ne peut pas être lu";
        default: return "";
    }
}

bool Blanc(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Rogner(std::string_view s) {
    while (!s.empty() && Blanc(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blanc(s.back())) s.remove_suffix(1);
    return s;
}

// The fields of a line: cut at commas when it has any, else at blanks.
std::vector<std::string_view> Champs(std::string_view ligne) {
    std::vector<std::string_view> champs;
    ligne = Rogner(ligne);
    if (ligne.find(',') != std::string_view::npos) {
        for (size_t debut = 0;;) {
            const size_t fin = ligne.find(',', debut);
            champs.push_back(Rogner(ligne.substr(debut, fin == std::string_view::npos ? fin : fin - debut)));
            if (fin == std::string_view::npos) return champs;
            debut = fin + 1;
        }
    }
    for (size_t i = 0; i < ligne.size();) {
        while (i < ligne.size() && Blanc(ligne[i])) ++i;
        const size_t debut = i;
        while (i < ligne.size() && !Blanc(ligne[i])) ++i;
        if (i > debut) champs.push_back(ligne.substr(debut, i - debut));
    }
    return champs;
}

// A whole field as a real (non-finite ones included: the caller refuses them).
bool Reel(std::string_view champ, double& v) {
    const std::string texte(champ);
    char* fin = nullptr;
    v = std::strtod(texte.c_str(), &fin);
    return !texte.empty() && fin == texte.c_str() + texte.size();
}

bool Reels(std::span<const std::string_view> champs, Vec3& p) {
    return champs.size() == 3 && Reel(champs[0], p.x) && Reel(champs[1], p.y) && Reel(champs[2], p.z);
}

bool Entier(std::string_view s) {
    s = Rogner(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    for (const char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool EnTeteCsv(std::string_view ligne) {
    std::string t;
    for (const char c : ligne)
        if (!Blanc(c)) t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return t == "x,y,z";
}

bool Commentaire(std::string_view ligne) {
    ligne = Rogner(ligne);
    return !ligne.empty() && ligne.front() == '#';
}

const char* NomFormat(FormatPositions f) {
    switch (f) {
        case FormatPositions::Xyz: return "XYZ";
        case FormatPositions::Csv: return "CSV";
        default: return "à trois colonnes";
    }
}

// A position that can be brought onto the sphere: finite, of a finite
// non-zero length (a zero vector has no direction).
bool AUneDirection(const Vec3& p) {
    const double r = norm(p);
    return std::isfinite(r) && r > 0.0;
}

bool HorsSphere(const Vec3& p) { return std::fabs(norm(p) - 1.0) > kEcartSphere; }

// The program's own format from the line `premiere` on (already read, the
// `dejaLues`-th line of the file). The index is read as a 64-bit "%lli" so
// that a huge index cannot wrap into the table's range.
void LireGlomerix(std::FILE* f, int count, std::string premiere, long long dejaLues, LecturePositions& l) {
    std::string ligne = std::move(premiere);
    const long long limite = static_cast<long long>(count) + kLignesEnPlus;
    for (long long lues = dejaLues;;) {
        long long index = -1;
        char separateur = 0;
        Vec3 p;
        const int champs = std::sscanf(ligne.c_str(), "%lli%c%lf%lf%lf", &index, &separateur, &p.x, &p.y, &p.z);
        if (champs == 5 && AUneDirection(p) && index >= 0 && index < count) {
            l.lignes.push_back({static_cast<int>(index), p});
            if (HorsSphere(p)) ++l.horsSphere;
        } else if (!Rogner(ligne).empty()) {
            ++l.ignorees;
        }
        const Lecture lecture = LireLigne(f, ligne);
        if (lecture == Lecture::Fin) return;
        if (++lues > limite) {
            l.tronquee = true;
            return;
        }
        if (lecture != Lecture::Ligne) {
            l.refus = RefusDeLecture(lecture);
            return;
        }
    }
}

// XYZ, CSV or columns: exactly `count` positions, each line one of them
// (blank lines skipped; "#" lines too in columns). `ligne` is the first
// line after the count and comment (XYZ) or the header (CSV), or the first
// position (columns); numero its line number.
void LireNouveau(std::FILE* f, int count, std::string ligne, long long numero, bool avecLigne,
                 LecturePositions& l) {
    const char* nom = NomFormat(l.format);
    const auto refuser = [&](const std::string& pourquoi) {
        l.lignes.clear();
        l.refus = std::string("fichier ") + nom + " : " + pourquoi;
    };
    const long long limite = static_cast<long long>(count) + kLignesEnPlus + 2;
    for (;; ++numero) {
        if (!avecLigne) {
            const Lecture lecture = LireLigne(f, ligne);
            if (lecture == Lecture::Fin || numero > limite) break;
            if (lecture != Lecture::Ligne) return refuser(RefusDeLecture(lecture));
        }
        avecLigne = false;
        if (Rogner(ligne).empty() || (l.format == FormatPositions::Colonnes && Commentaire(ligne))) continue;
        if (static_cast<int>(l.lignes.size()) == count)
            return refuser("plus de " + std::to_string(count) + " positions, il en faut exactement " +
                           std::to_string(count));
        std::vector<std::string_view> champs = Champs(ligne);
        if (l.format == FormatPositions::Xyz && champs.size() >= 4 && ligne.find(',') == std::string::npos)
            champs = {champs[1], champs[2], champs[3]};
        Vec3 p;
        if (!Reels(champs, p))
            return refuser("la ligne " + std::to_string(numero) + " n'est pas une position (" +
                           (l.format == FormatPositions::Xyz ? "X x y z" : "x, y, z") + ")");
        if (!AUneDirection(p))
            return refuser("la ligne " + std::to_string(numero) +
                           " donne une position nulle ou non finie, qui n'a pas de direction");
        if (HorsSphere(p)) {
            ++l.horsSphere;
            p /= norm(p);
        }
        l.lignes.push_back({static_cast<int>(l.lignes.size()), p});
    }
    if (static_cast<int>(l.lignes.size()) != count)
        refuser(std::to_string(l.lignes.size()) + " positions, il en faut exactement " + std::to_string(count));
}

}  // namespace

FormatPositions FormatParNom(std::string_view nom) {
    if (nom.size() < 4) return FormatPositions::Glomerix;
    std::string fin;
    for (const char c : nom.substr(nom.size() - 4))
        fin.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (fin == ".xyz") return FormatPositions::Xyz;
    if (fin == ".csv") return FormatPositions::Csv;
    return FormatPositions::Glomerix;
}

std::string CommentaireXyz(const ResumePositions& r) {
    char texte[256];
    std::snprintf(texte, sizeof texte, "n=%d s=%.17g energy=%.17g riesz_energy=%.17g min_distance=%.17g", r.n, r.s,
                  r.energie, r.energieS, r.distance);
    std::string ligne = texte;
    if (r.graine) ligne += " seed=" + std::to_string(*r.graine);
    return ligne;
}

bool EcrireGlomerix(std::FILE* f, std::span<const Vec3> positions) {
    int i = 0;
    for (const Vec3& p : positions) std::fprintf(f, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i++, p.x, p.y, p.z);
    return std::ferror(f) == 0;
}

bool EcrireXyz(std::FILE* f, std::span<const Vec3> positions, const ResumePositions& r) {
    std::fprintf(f, "%zu\n%s\n", positions.size(), CommentaireXyz(r).c_str());
    for (const Vec3& p : positions) std::fprintf(f, "X %.17g %.17g %.17g\n", p.x, p.y, p.z);
    return std::ferror(f) == 0;
}

bool EcrireCsv(std::FILE* f, std::span<const Vec3> positions) {
    std::fputs("x,y,z\n", f);
    for (const Vec3& p : positions) std::fprintf(f, "%.17g,%.17g,%.17g\n", p.x, p.y, p.z);
    return std::ferror(f) == 0;
}

LecturePositions LireFichierPositions(std::FILE* f, int count) {
    LecturePositions l;
    std::string ligne;
    // The first line that says something: blank and "#" lines before it are
    // passed over (numpy writes its header as "#" lines).
    long long numero = 0;
    int commentaires = 0;
    for (;;) {
        const Lecture lecture = LireLigne(f, ligne);
        ++numero;
        if (lecture == Lecture::Fin) {
            l.ignorees = commentaires;
            return l;
        }
        if (lecture != Lecture::Ligne) {
            l.refus = RefusDeLecture(lecture);
            return l;
        }
        if (Commentaire(ligne)) ++commentaires;
        else if (!Rogner(ligne).empty()) break;
        if (numero > static_cast<long long>(count) + kLignesEnPlus) {
            l.ignorees = commentaires;
            l.tronquee = true;
            return l;
        }
    }
    Vec3 p;
    if (Entier(ligne)) {
        l.format = FormatPositions::Xyz;
        const long long annonce = std::strtoll(ligne.c_str(), nullptr, 10);
        if (annonce != count) {
            l.refus = "fichier XYZ : il annonce " + std::string(Rogner(ligne)) + " positions, il en faut " +
                      std::to_string(count);
            return l;
        }
        const Lecture commentaire = LireLigne(f, ligne);  // whatever it says
        if (commentaire != Lecture::Ligne) {
            l.refus = commentaire == Lecture::Fin ? "fichier XYZ : il s'arrête avant ses positions"
                                                  : RefusDeLecture(commentaire);
            return l;
        }
        LireNouveau(f, count, {}, numero + 2, false, l);
    } else if (EnTeteCsv(ligne)) {
        l.format = FormatPositions::Csv;
        LireNouveau(f, count, {}, numero + 1, false, l);
    } else if (Reels(Champs(ligne), p)) {
        l.format = FormatPositions::Colonnes;
        LireNouveau(f, count, ligne, numero, true, l);
    } else {
        l.ignorees = commentaires;
        LireGlomerix(f, count, ligne, numero, l);
    }
    if (!l.refus.empty()) l.lignes.clear();
    return l;
}

std::vector<LignePosition> LirePositions(std::FILE* f, int count) {
    LecturePositions l;
    LireGlomerix(f, count, {}, 0, l);
    if (!l.refus.empty()) return {};
    return std::move(l.lignes);
}

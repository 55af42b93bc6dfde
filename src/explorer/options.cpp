#include "explorer/options.h"

#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/riesz.h"
#include "ternex/charset.h"

namespace {

constexpr const char* kUsage =
    "Usage : glomerix-explorer --nb N|N1-N2 [OPTION]...\n"
    "Cherche l'énergie minimale de N particules sur la sphère par sauts entre bassins, avec un\n"
    "marcheur par coeur (threads) ou par processus quand mpirun ou srun le lance. Pour une plage\n"
    "N1-N2, chaque nombre de particules est donné au premier marcheur libre.\n"
    "\n"
    "  --nb N, --nb N1-N2    le nombre de particules (3 à 9999), ou chaque nombre de la plage\n"
    "  --exposant s          l'exposant de l'énergie, somme des 1/r^s (1 par défaut, -2 <= s <= 1000 ; 0 : -log r)\n"
    "  --sauts n             au plus n sauts par marcheur et par nombre de particules\n"
    "  --duree secondes      au plus ce temps par nombre de particules (le premier atteint arrête)\n"
    "                        (sans --sauts ni --duree : 100 sauts)\n"
    "  --graine g            graine du hasard, de 0 à 1073741821 (sans elle, l'horloge) ; une même\n"
    "                        graine et un même nombre de marcheurs refont la même recherche\n"
    "  --base FICHIER        la base de données des records (sinon celle de glomerix)\n"
    "  --quiet               seulement la ligne de bilan de chaque nombre de particules\n"
    "  -h, --help            affiche cette aide et quitte\n"
    "  -V, --version         affiche la version et quitte\n"
    "\n"
    "Une ligne par nouvelle énergie minimale (nombre, saut, énergie, secondes), une ligne de bilan\n"
    "par nombre. Code de sortie : 0 normalement, 1 si la base ne s'ouvre pas ou si un processus\n"
    "MPI est perdu, 2 pour une option non valide, 128 + le signal après SIGINT ou SIGTERM.\n";

void Ecrire(int fd, const char* texte, const std::string& brut = {}) { ternex_write_text(fd, texte, brut); }

// Digits only, from min to max; -1 otherwise.
long long LireEntier(const char* texte, long long min, long long max) {
    long long v = 0;
    const char* c = texte;
    for (; *c >= '0' && *c <= '9'; ++c) {
        v = v * 10 + (*c - '0');
        if (v > max) return -1;
    }
    return c == texte || *c != '\0' || v < min ? -1 : v;
}

// A real written with a point ("1.5", "12"); NaN otherwise.
double LireReel(const char* texte) {
    char* fin = nullptr;
    errno = 0;
    const double v = std::strtod(texte, &fin);
    return fin == texte || *fin != '\0' || errno != 0 ? NAN : v;
}

bool LireNombres(const std::string& texte, OptionsExplorer& o) {
    const size_t tiret = texte.find('-');
    const std::string a = texte.substr(0, tiret);
    const std::string b = tiret == std::string::npos ? a : texte.substr(tiret + 1);
    const long long n1 = LireEntier(a.c_str(), 3, 9999), n2 = LireEntier(b.c_str(), 3, 9999);
    if (n1 < 0 || n2 < n1) return false;
    o.premier = static_cast<int>(n1);
    o.dernier = static_cast<int>(n2);
    return true;
}

}  // namespace

int LireOptionsExplorer(int argc, char** argv, OptionsExplorer& o, bool parler) {
    enum { kNb = 256, kExposant, kSauts, kDuree, kGraine, kBase };
    static const option kLongues[] = {
        {"nb", required_argument, nullptr, kNb},       {"exposant", required_argument, nullptr, kExposant},
        {"sauts", required_argument, nullptr, kSauts}, {"duree", required_argument, nullptr, kDuree},
        {"graine", required_argument, nullptr, kGraine}, {"base", required_argument, nullptr, kBase},
        {"quiet", no_argument, nullptr, 'q'},          {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},        {nullptr, 0, nullptr, 0},
    };
    const auto refuser = [&](const char* message, const std::string& brut = {}) {
        if (parler) {
            Ecrire(STDERR_FILENO, "glomerix-explorer : ");
            Ecrire(STDERR_FILENO, message, brut);
            Ecrire(STDERR_FILENO, ".\n");
            Ecrire(STDERR_FILENO, kUsage);
        }
        return 2;
    };
    opterr = 0;
    optind = 1;
    for (;;) {
        const int lue = optind;
        const int c = getopt_long(argc, argv, ":qhV", kLongues, nullptr);
        if (c == -1) break;
        switch (c) {
            case kNb:
                if (!LireNombres(optarg, o)) return refuser("--nb demande N ou N1-N2, de 3 à 9999, pas ", optarg);
                break;
            case kExposant:
                o.exposant = LireReel(optarg);
                if (!(o.exposant >= kExposantMin && o.exposant <= kExposantMax)) {
                    return refuser("--exposant demande un réel s, -2 <= s <= 1000, pas ", optarg);
                }
                break;
            case kSauts:
                o.sauts = LireEntier(optarg, 1, 1000000000000LL);
                if (o.sauts < 0) return refuser("--sauts demande un entier positif, pas ", optarg);
                break;
            case kDuree:
                o.duree = LireReel(optarg);
                if (!(o.duree > 0.0 && o.duree < 1e9)) return refuser("--duree demande des secondes, pas ", optarg);
                break;
            case kGraine:
                o.graine = LireGraine(optarg);
                if (o.graine < 0) return refuser("--graine demande un entier de 0 à 1073741821, pas ", optarg);
                break;
            case kBase:
                if (*optarg == '\0') return refuser("--base demande un nom de fichier");
                o.base = optarg;
                break;
            case 'q': o.silencieux = true; break;
            case 'h':
                if (parler) Ecrire(STDOUT_FILENO, kUsage);
                return 0;
            case 'V':
                if (parler) Ecrire(STDOUT_FILENO, "glomerix-explorer " GLOMERIX_VERSION "\n");
                return 0;
            case ':': return refuser("l'option ", std::string(argv[lue < argc ? lue : argc - 1]) + " demande un argument");
            default:
                if (optopt != 0) return refuser("option inconnue -", std::string(1, static_cast<char>(optopt)));
                return refuser("option inconnue ", argv[lue < argc ? lue : argc - 1]);
        }
    }
    if (optind < argc) return refuser("argument en trop : ", argv[optind]);
    if (o.premier == 0) return refuser("--nb est demandé");
    if (o.sauts == 0 && o.duree == 0.0) o.sauts = kSautsParDefaut;
    return -1;
}

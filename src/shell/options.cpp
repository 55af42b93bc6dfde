// The command line.
#include "shell/options.h"

#include <fcntl.h>
#include <getopt.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "mathematiques/hasard.h"
#include "shell/commandes.h"
#include "ternex/charset.h"
#include "ternex/ternex.h"

Options options;

namespace {

std::atomic<bool> echec{false};

constexpr const char* kUsage =
    "Usage : glomerix [OPTION]... [FICHIER]\n"
    "Étudie N particules qui se repoussent sur la sphère unité ; les commandes sont lues sur\n"
    "l'entrée standard (sans FICHIER, ou quand FICHIER est -), dans FICHIER ou dans le texte de -c.\n"
    "\n"
    "  -f, --fichier FICHIER  lit les commandes dans FICHIER au lieu de l'entrée standard\n"
    "  -c COMMANDES           exécute les COMMANDES, séparées par « ; » ou des retours à la ligne\n"
    "  -q, --quiet            sans bannière, titre ni invite : seules les réponses des commandes\n"
    "      --strict           code de sortie 1 quand une commande a signalé une erreur\n"
    "      --base FICHIER     utilise FICHIER comme base de données des records\n"
    "      --sans-base        fonctionne sans base de données\n"
    "      --graine N         graine du générateur de nombres aléatoires, de 0 à 1073741821\n"
    "                         (sans elle, l'horloge) : les mêmes commandes refont les mêmes calculs\n"
    "  -h, --help             affiche cette aide et quitte\n"
    "  -V, --version          affiche la version et quitte\n"
    "\n"
    "Code de sortie : 0 normalement, 1 avec --strict après une erreur, 2 pour une option non valide.\n";

void Ecrire(int fd, const char* texte, const std::string& brut = {}) { ternex_write_text(fd, texte, brut); }

int Refuser(const char* message, const std::string& brut = {}, const char* suite = ".\n") {
    Ecrire(STDERR_FILENO, "glomerix : ");
    Ecrire(STDERR_FILENO, message, brut);
    Ecrire(STDERR_FILENO, suite);
    Ecrire(STDERR_FILENO, kUsage);
    return 2;
}

// Puts fd in place of standard input; the console looks again at what it reads.
bool RemplacerEntree(int fd) {
    if (fd < 0) return false;
    const bool ok = fd == STDIN_FILENO || dup2(fd, STDIN_FILENO) == STDIN_FILENO;
    if (fd != STDIN_FILENO) close(fd);
    if (ok) console.input_replaced();
    return ok;
}

// A readable file of commands, or -1 (a folder opens but cannot be read).
int OuvrirFichier(const std::string& nom) {
    const int fd = open(nom.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

// The -c text as lines in an anonymous file: ';' ends a command as a line
// end does, and the blanks around each command go ("nb 10; info"), since a
// line that starts with a blank does nothing. A file rather than a pipe, so
// that no size can block the writing.
int EntreeCommandes(const std::string& commandes) {
    std::string lignes;
    size_t debut = 0;
    while (debut < commandes.size()) {
        size_t fin = commandes.find_first_of(";\n", debut);
        if (fin == std::string::npos) fin = commandes.size();
        const size_t premier = commandes.find_first_not_of(" \t\r", debut);
        const size_t dernier = commandes.find_last_not_of(" \t\r", fin == 0 ? 0 : fin - 1);
        if (premier < fin && dernier != std::string::npos && dernier >= premier) {
            lignes.append(commandes, premier, dernier - premier + 1);
        }
        lignes += '\n';
        debut = fin + 1;
    }
    const int fd = memfd_create("glomerix-commandes", MFD_CLOEXEC);
    if (fd < 0) return -1;
    for (size_t fait = 0; fait < lignes.size();) {
        const ssize_t n = write(fd, lignes.data() + fait, lignes.size() - fait);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(fd);
            return -1;
        }
        fait += static_cast<size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

}  // namespace

void SignalerEchec() { echec = true; }

int CodeDeSortie(int code) { return code == 0 && options.strict && echec ? 1 : code; }

int LireOptions(int argc, char** argv) {
    enum { kStrict = 256, kBase, kSansBase, kGraine };
    static const option kLongues[] = {
        {"fichier", required_argument, nullptr, 'f'}, {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},          {"version", no_argument, nullptr, 'V'},
        {"strict", no_argument, nullptr, kStrict},    {"base", required_argument, nullptr, kBase},
        {"sans-base", no_argument, nullptr, kSansBase}, {"graine", required_argument, nullptr, kGraine},
        {nullptr, 0, nullptr, 0},
    };
    std::string fichier, commandes;
    bool avecFichier = false, avecCommandes = false;
    opterr = 0;  // the messages are ours, in French
    optind = 1;
    for (;;) {
        const int lue = optind;
        const int c = getopt_long(argc, argv, ":f:c:qhV", kLongues, nullptr);
        if (c == -1) break;
        switch (c) {
            case 'f':
                if (avecFichier) return Refuser("un seul fichier de commandes peut être donné");
                fichier = optarg;
                avecFichier = true;
                break;
            case 'c':
                commandes += optarg;
                commandes += '\n';
                avecCommandes = true;
                break;
            case 'q': options.silencieux = true; break;
            case kStrict: options.strict = true; break;
            case kBase:
                if (*optarg == '\0') return Refuser("--base demande un nom de fichier");
                options.base = optarg;
                break;
            case kSansBase: options.sansBase = true; break;
            case kGraine:
                options.graine = LireGraine(optarg);
                if (options.graine < 0) return Refuser("--graine demande un entier de 0 à 1073741821, pas ", optarg);
                break;
            case 'h': Ecrire(STDOUT_FILENO, kUsage); return 0;
            case 'V': Ecrire(STDOUT_FILENO, "glomerix " GLOMERIX_VERSION "\n"); return 0;
            case ':': return Refuser("l'option ", argv[lue < argc ? lue : argc - 1], " demande un argument.\n");
            default:
                if (optopt != 0) return Refuser("option inconnue -", std::string(1, static_cast<char>(optopt)));
                return Refuser("option inconnue ", argv[lue < argc ? lue : argc - 1]);
        }
    }
    if (optind < argc) {
        if (avecFichier || optind + 1 < argc) return Refuser("un seul fichier de commandes peut être donné");
        fichier = argv[optind];
        avecFichier = true;
    }
    if (avecFichier && avecCommandes) return Refuser("-c et un fichier de commandes s'excluent");
    if (options.sansBase && !options.base.empty()) return Refuser("--base et --sans-base s'excluent");
    if (fichier == "-") avecFichier = false;  // "-": standard input, as without a file
    options.script = avecFichier || avecCommandes;
    if (avecFichier && !RemplacerEntree(OuvrirFichier(fichier))) {
        return Refuser("impossible de lire le fichier de commandes ", fichier);
    }
    if (avecCommandes && !RemplacerEntree(EntreeCommandes(commandes))) {
        return Refuser("impossible de préparer les commandes de -c");
    }
    return -1;
}

// The program against hostile surroundings: files that never end, positions
// off the sphere, standard descriptors closed, a reader that goes away, a
// database path that is no file or may not be read, a file size limit, a
// full disk, a crafted or half-mended database.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "e2e/harness.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kCharger =
    "Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour 400 particules.\n";
const std::string kAucune =
    "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n";
const std::string kEchecBase = "\nErreur : impossible d'initialiser la base de données";

// A start of the program the harness cannot make: without a standard input,
// under a file size limit, as another user, or with a reader that stops
// after a few bytes. Same environment as the harness's sessions.
struct Lancement {
    std::string entree;
    bool sansEntree = false;        // descriptor 0 closed
    size_t lireAuPlus = SIZE_MAX;   // the reader goes away after that many bytes
    rlim_t tailleMax = RLIM_INFINITY;
    bool commePersonne = false;     // as nobody, when the tests run as root
};

e2e::Result Lancer(e2e::Session& s, const Lancement& l) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string v = *e;
        for (const char* cache : {"XDG_DATA_HOME=", "HOME=", "TERM=", "LC_ALL=", "NO_COLOR=", "DISPLAY="})
            if (v.rfind(cache, 0) == 0) goto suivante;
        env.push_back(v);
    suivante:;
    }
    env.push_back("XDG_DATA_HOME=" + s.dataDir().string());
    env.push_back("HOME=" + (s.workDir().parent_path() / "home").string());
    env.push_back("TERM=dumb");
    env.push_back("LC_ALL=C");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string exe = e2e::Programme().string(), dir = s.workDir().string();
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return {};
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t pid = fork();
    if (pid == 0) {
        if (l.sansEntree) close(0);
        else dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        const rlimit taille{l.tailleMax, l.tailleMax};
        setrlimit(RLIMIT_FSIZE, &taille);
        if (l.commePersonne && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
        char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
        execve(exe.c_str(), argv, envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!l.sansEntree) {
        for (size_t fait = 0; fait < l.entree.size();) {
            const ssize_t n = write(in[1], l.entree.data() + fait, l.entree.size() - fait);
            if (n <= 0) break;
            fait += static_cast<size_t>(n);
        }
    }
    close(in[1]);
    e2e::Result r;
    const auto limite = Clock::now() + std::chrono::seconds(60);
    char buf[4096];
    while (r.out.size() < l.lireAuPlus && Clock::now() < limite) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = read(out[0], buf, std::min(sizeof buf, l.lireAuPlus - r.out.size()));
        if (n <= 0) break;
        r.out.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= limite) {
            r.timedOut = true;
            kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    r.exitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    return r;
}

bool Contient(const std::string& texte, const std::string& morceau) { return texte.find(morceau) != std::string::npos; }

}  // namespace

// /dev/zero has no line end: the load stops at once as an invalid file,
// with bounded memory. A zero vector is no position either.
TEST(Robustesse, PositionFilesThatCannotBeRead) {
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "zero.txt", "6: 0 0 0\n");
    const e2e::Result r = s.run("charger fichier\n/dev/zero\ncharger fichier\nzero.txt\n", std::chrono::seconds(60));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::ApresDemarrage(r.out), kCharger + kAucune + "> " + kCharger + kAucune + "> ");
}

// Positions loaded from a file at distance 100 from the centre have an
// energy no configuration on the sphere has: they are never kept as a best.
TEST(Robustesse, PositionsOffTheSphereAreNotRecorded) {
    e2e::Session s;
    std::string loin;
    for (int i = 0; i < 10; ++i) {
        const double t = 0.6 * i, z = -0.9 + 0.2 * i, r = std::sqrt(1 - z * z);
        loin += std::to_string(i) + ":\t" + std::to_string(100 * r * std::cos(t)) + "\t" +
                std::to_string(100 * r * std::sin(t)) + "\t" + std::to_string(100 * z) + "\n";
    }
    e2e::EcrireFichier(s.workDir() / "loin.txt", loin);
    const e2e::Result r = s.run("mode info off\nnb 10\ncharger fichier\nloin.txt\ninfo\nliste tout\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Contient(r.err, "Avertissement : configuration hors de la sphère unité, non finie ou aux valeurs "
                                "impossibles ; elle n'est pas enregistrée comme référence.\n"))
        << r.out;
    EXPECT_TRUE(Contient(r.out, "Maximum de la distance minimale  : 0.\nMinimum de l'energie potentielle : 0.\n"))
        << r.out;
    EXPECT_FALSE(Contient(r.out, "Nombre de particules : 10 Distance")) << r.out;  // LISTE TOUT: nothing stored
}

// Without a standard input the program reads its end at once; the wake pipe
// cannot land on descriptor 0 and make it wait on itself.
TEST(Robustesse, AClosedStandardInputIsItsEnd) {
    e2e::Session s;
    Lancement l;
    l.sansEntree = true;
    const e2e::Result r = Lancer(s, l);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(e2e::Compter(r.out, "> "), 1) << r.out;
}

// `glomerix < commandes | head -1`: the reader gone, the program ends as at
// the end of input, status 0, its database closed and the switches saved.
TEST(Robustesse, AReaderThatGoesAwayEndsTheRun) {
    e2e::Session s;
    Lancement l;
    l.entree = "mode axes on\n";
    for (int i = 0; i < 1000; ++i) l.entree += "info\n";  // far more than a pipe holds
    l.lireAuPlus = 2000;
    const e2e::Result r = Lancer(s, l);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Contient(s.run("mode\n").out, "  AXES        MARCHE\n"));  // saved on the way out
}

// A FIFO or a folder at the database path is refused at once (opening a
// FIFO for reading would wait for a writer for ever); the run goes on.
TEST(Robustesse, ADatabasePathThatIsNoFile) {
    e2e::Session s;
    ASSERT_EQ(mkfifo(s.dbPath().c_str(), 0644), 0);
    const e2e::Result r = s.run("info\nquitter\n", std::chrono::seconds(60));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Contient(r.out, "\nERREUR : 1\nERREUR : Le chemin de la base de données ne désigne pas un fichier "
                                "ordinaire (c'est un tube, un périphérique ou un dossier) : il n'a pas été ouvert.\n" +
                                    kEchecBase))
        << r.out;
    EXPECT_TRUE(Contient(r.out, "Minimum de l'energie potentielle")) << r.out;
}

TEST(Robustesse, ADatabaseThatMayNotBeReadSaysSo) {
    e2e::Session s;
    s.run("quitter\n");
    ASSERT_EQ(chmod(s.dbPath().c_str(), 0), 0);
    for (fs::path p = s.workDir(); p != p.root_path(); p = p.parent_path()) {
        if (p == fs::temp_directory_path()) break;
        chmod(p.c_str(), 0755);
    }
    chmod(s.dataDir().c_str(), 0755);
    Lancement l;
    l.entree = "quitter\n";
    l.commePersonne = true;
    const e2e::Result r = Lancer(s, l);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Contient(r.out, "\nERREUR : 1\nERREUR : L'accès au fichier de la base de données est refusé (droits "
                                "insuffisants sur le fichier ou sur son dossier).\n" +
                                    kEchecBase))
        << r.out;
    EXPECT_FALSE(Contient(r.out, "existe déjà")) << r.out;
}

// `ulimit -f` below what the database needs: write errors, never SIGXFSZ.
TEST(Robustesse, AFileSizeLimitGivesWriteErrors) {
    e2e::Session s;
    Lancement l;
    l.entree = "info\nquitter\n";
    l.tailleMax = 100000;  // a new database takes 160032 bytes
    e2e::Result r = Lancer(s, l);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Contient(r.out, "\nERREUR : 3\nERREUR : Erreur en écriture.\n" + kEchecBase)) << r.out;
    EXPECT_FALSE(fs::exists(s.dbPath()));  // nothing half-written left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dataDir()), fs::directory_iterator()), 0);

    s.run("quitter\n");
    l.tailleMax = fs::file_size(s.dbPath());  // no room for a count's record
    r = Lancer(s, l);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Contient(r.out, "Energie Potentielle  : ")) << r.out;
    EXPECT_TRUE(Contient(r.out, "\nERREUR : 3\nERREUR : Erreur en écriture.\n")) << r.out;
    const e2e::Result apres = s.run("liste tout\n");
    EXPECT_EQ(e2e::ApresDemarrage(apres.out), "> ");  // nothing stored, nothing damaged
}

TEST(Robustesse, EnregistrerOnAFullDiskSaysSo) {
    e2e::Session s;
    const e2e::Result r = s.run("enregistrer\n/dev/full\n");
    EXPECT_EQ(e2e::ApresDemarrage(r.out),
              "Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n"
              "Erreur en écriture du fichier /dev/full : il est incomplet.\n> ");
}

// A header claiming 10^8 tables of each kind over a sparse file long enough
// for them: refused at once instead of reading them all.
TEST(Robustesse, AHeaderWithHugeTableCounts) {
    e2e::Session s;
    const int32_t words[] = {0x281F0D9F, 0, 100000000, 100000000, 1};
    std::string header(reinterpret_cast<const char*>(words), sizeof words);
    e2e::EcrireFichier(s.dbPath(), header);
    fs::resize_file(s.dbPath(), 20 + 100000000LL * 8 + 100000000LL * 20);
    const e2e::Result r = s.run("quitter\n", std::chrono::seconds(60));
    EXPECT_FALSE(r.timedOut);
    EXPECT_TRUE(Contient(r.out, "\nERREUR : 5\nERREUR : La table de lien est corrompu.\n")) << r.out;
}

// Records whose bytes never reached the file (a link past allocCount, as a
// change cut short by an older program left it) are set aside with one
// warning; the other counts stay reachable.
TEST(Robustesse, DanglingLinksAreSetAside) {
    e2e::Session s;
    s.run("nb 20\ninfo\nnb 30\ninfo\n");
    std::string bytes = e2e::LireFichier(s.dbPath());
    ASSERT_GE(bytes.size(), 160032u);
    const int32_t passe = 7;  // allocCount is 2
    std::memcpy(&bytes[24 + 4 * 25], &passe, 4);
    uint32_t mot = 0;
    for (size_t i = 0; i < 40000; ++i)
        mot |= static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(bytes[24 + i]))) << (8 * (i % 4));
    std::memcpy(&bytes[20], &mot, 4);
    e2e::EcrireFichier(s.dbPath(), bytes);
    const e2e::Result r = s.run("liste tout\n");
    EXPECT_TRUE(Contient(r.err, "Avertissement : 1 enregistrement de la base de données désignait des octets absents "
                                "du fichier ; il est ignoré, les autres restent accessibles.\n"))
        << r.out;
    EXPECT_FALSE(Contient(r.out, "ERREUR")) << r.out;
    EXPECT_EQ(e2e::Compter(r.out, "Nombre de particules : 20 Distance"), 1) << r.out;
    EXPECT_EQ(e2e::Compter(r.out, "Nombre de particules : 30 Distance"), 1) << r.out;
}

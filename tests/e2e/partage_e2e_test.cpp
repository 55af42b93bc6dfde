// Sessions that share one database: started together, recording bests for
// the same counts and for counts of their own, some killed in the middle;
// and a program that keeps the database's lock (stopped in the middle of a
// change) while sessions record theirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "e2e/harness.h"
#include "store/best_format.h"
#include "store/best_store.h"

namespace {

// One INFO as a session printed it.
struct Bloc {
    int n = 0;
    double distance = 0.0, energie = 0.0;
    bool ecrit = false;  // the reference values followed: the write is on the disk
};

double Nombre(const std::string& texte, size_t debut) { return std::strtod(texte.c_str() + debut, nullptr); }

// Every INFO of a session's output, the last one perhaps cut short.
std::vector<Bloc> Blocs(const std::string& out) {
    std::vector<Bloc> blocs;
    const std::string nombre = "Nombre de particules : ", distance = "Distance minimale    : ",
                      energie = "Energie Potentielle  : ", reference = "Minimum de l'energie potentielle : ";
    for (size_t at = out.find(nombre); at != std::string::npos; at = out.find(nombre, at + 1)) {
        if (out.find('\n', at) == std::string::npos) break;  // killed in the middle of the line
        Bloc b;
        b.n = static_cast<int>(Nombre(out, at + nombre.size()));
        const size_t d = out.find(distance, at), e = out.find(energie, at), fin = out.find(nombre, at + 1);
        if (d == std::string::npos || e == std::string::npos || e > fin) {
            blocs.push_back(b);  // killed before the energy was shown: not written
            break;
        }
        b.distance = Nombre(out, d + distance.size());
        b.energie = Nombre(out, e + energie.size());
        const size_t r = out.find(reference, e);
        b.ecrit = r != std::string::npos && r < fin && out.find('\n', r) != std::string::npos;
        blocs.push_back(b);
    }
    return blocs;
}

struct Valeurs {
    double energie, distance;
};

// A shell command running the tested build's glomerix-db.
std::string GlomerixDb(const std::string& arguments) {
    std::string commande = e2e::Programme("glomerix-db").string();
    commande.insert(0, 1, '\'');
    commande += "' ";
    return commande + arguments;
}

// The best values of each count record, as glomerix-db shows them (17 digits).
std::map<int, Valeurs> Contenu(const std::string& base) {
    const std::string commande = GlomerixDb("--dump '" + base + "' 2>/dev/null");
    FILE* tube = popen(commande.c_str(), "r");
    std::map<int, Valeurs> contenu;
    if (tube == nullptr) return contenu;
    char ligne[512];
    while (std::fgets(ligne, sizeof ligne, tube) != nullptr) {
        int r = 0;
        double e = 0.0, d = 0.0;
        if (std::sscanf(ligne, "  record %d: entry %*d offset %*d size %*d used %*d  energy %lf  distance %lf", &r, &e,
                        &d) == 3)
            contenu[r] = {e, d};
    }
    pclose(tube);
    return contenu;
}

int Verifier(const std::string& base, std::string& sortie) {
    const std::string commande = GlomerixDb("--check '" + base + "' 2>&1");
    FILE* tube = popen(commande.c_str(), "r");
    if (tube == nullptr) return -1;
    char morceau[4096];
    for (size_t n; (n = std::fread(morceau, 1, sizeof morceau, tube)) > 0;) sortie.append(morceau, n);
    const int statut = pclose(tube);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
}

// Printed with 9 significant digits, cut rather than rounded: one unit of
// the ninth digit apart at most.
bool AuPlus(double stocke, double affiche) { return stocke <= affiche + 1e-8 * std::abs(affiche); }
bool Egal(double stocke, double affiche) { return std::abs(stocke - affiche) <= 1e-8 * std::abs(affiche); }

// Session i: counts 10, 11 and 12 shared by all, 20 + i its own, each
// placed at random (and minimised one round in two) before INFO, four rounds,
// or the first `infos` INFOs of them. Without QUITTER: the session waits at
// the prompt for the end of its input.
std::string Script(int i, size_t infos, std::vector<int>& comptes) {
    std::ostringstream s;
    s << "mode info off\n";
    const int propres[] = {10, 11, 12, 20 + i};
    for (int tour = 0; tour < 4; ++tour) {
        for (int k = 0; k < 4 && comptes.size() < infos; ++k) {
            const int n = propres[(k + i + tour) % 4];
            s << "nb " << n << "\nplacer\n" << ((tour + i) % 2 == 0 ? "minimiser 20\n" : "") << "info\n";
            comptes.push_back(n);
        }
    }
    return s.str();
}

// Eight sessions started together on one database; two given six INFOs and
// killed once they have shown five, the others ending with their input. Every count ends with
// the lowest energy and the largest distance that any write that reached the
// disk recorded; the write a killed session had under way may or may not be
// among them.
TEST(Partage, HuitSessionsDontDeuxTuees) {
    constexpr int kSessions = 8;
    std::vector<std::unique_ptr<e2e::Session>> sessions;
    std::vector<std::vector<int>> comptes(kSessions);
    for (int i = 0; i < kSessions; ++i) {
        sessions.push_back(std::make_unique<e2e::Session>());
        if (i > 0) sessions[i]->setEnv("XDG_DATA_HOME", sessions[0]->dataDir().string());
    }
    const std::set<int> tuees = {2, 5};
    for (auto& s : sessions) s->start();
    for (int i = 0; i < kSessions; ++i) sessions[i]->send(Script(i, tuees.count(i) ? 6 : 16, comptes[i]));
    for (int i = 0; i < kSessions; ++i)
        if (!tuees.count(i)) sessions[i]->closeInput();
    for (const int i : tuees) {
        ASSERT_TRUE(sessions[i]->waitFor("Minimum de l'energie potentielle", 5)) << sessions[i]->outputSoFar();
        sessions[i]->signal(SIGKILL);
    }
    std::map<int, std::vector<Valeurs>> surs;  // written for certain
    std::set<int> incertains;                    // a killed session's write under way
    for (int i = 0; i < kSessions; ++i) {
        const e2e::Result r = sessions[i]->finish();
        EXPECT_EQ(r.exitCode, tuees.count(i) ? 128 + SIGKILL : 0) << i << "\n" << r.err;
        EXPECT_EQ(r.err.find("ERREUR"), std::string::npos) << i << "\n" << r.err;
        const std::vector<Bloc> blocs = Blocs(r.out);
        ASSERT_LE(blocs.size(), comptes[i].size());
        if (!tuees.count(i)) {
            ASSERT_EQ(blocs.size(), comptes[i].size()) << r.out;
        }
        for (size_t k = 0; k < blocs.size(); ++k) {
            EXPECT_EQ(blocs[k].n, comptes[i][k]);
            if (blocs[k].ecrit) surs[blocs[k].n].push_back({blocs[k].energie, blocs[k].distance});
        }
        const size_t ecrits = std::count_if(blocs.begin(), blocs.end(), [](const Bloc& b) { return b.ecrit; });
        if (tuees.count(i) && ecrits < comptes[i].size()) incertains.insert(comptes[i][ecrits]);
    }
    const std::string base = sessions[0]->dbPath().string();
    std::string sortie;
    EXPECT_EQ(Verifier(base, sortie), 0) << sortie;  // positions that give the values stored
    const std::map<int, Valeurs> contenu = Contenu(base);
    for (const auto& [n, ecrits] : surs) {
        ASSERT_TRUE(contenu.count(n)) << n;
        const Valeurs v = contenu.at(n);
        double energie = ecrits[0].energie, distance = ecrits[0].distance;
        for (const Valeurs& w : ecrits) {
            energie = std::min(energie, w.energie);
            distance = std::max(distance, w.distance);
        }
        EXPECT_TRUE(AuPlus(v.energie, energie)) << n << ": " << v.energie << " > " << energie;
        EXPECT_TRUE(AuPlus(-v.distance, -distance)) << n << ": " << v.distance << " < " << distance;
        if (incertains.count(n)) continue;
        EXPECT_TRUE(Egal(v.energie, energie)) << n << ": " << v.energie << " for " << energie;
        EXPECT_TRUE(Egal(v.distance, distance)) << n << ": " << v.distance << " for " << distance;
    }
}

// In a process of its own: opens the database at `base` and stops itself
// with the lock held, in the middle of a change (count 7 recorded), until
// SIGCONT; then ends the change and quits.
[[noreturn]] void GarderLeVerrou(const std::string& base) {
    if (!OuvrirBase(base)) _exit(3);
    BeginChanges(*database);
    std::vector<Vec3> p;
    std::vector<double> xyz;
    for (int i = 0; i < 7; ++i) {
        p.push_back(fromAngles(2.399963 * i, std::acos(1.0 - (2.0 * i + 1.0) / 7)));
        xyz.insert(xyz.end(), {p.back().x, p.back().y, p.back().z});
    }
    MettreAJourReferences(7, bestformat::EnergyOf(xyz.data(), 7), bestformat::MinDistanceOf(xyz.data(), 7), p);
    raise(SIGSTOP);
    CommitChanges(*database);
    FermerBase();
    _exit(0);
}

// A program stopped with the lock held: the sessions that have the database
// open, and one that starts meanwhile, wait for it, say so on standard error
// and go on; once it is continued, everything they recorded is written.
TEST(Partage, UnProgrammeArreteAvecLeVerrou) {
    e2e::Session a, b, c;
    for (e2e::Session* s : {&b, &c}) s->setEnv("XDG_DATA_HOME", a.dataDir().string());
    for (e2e::Session* s : {&a, &b, &c}) s->setEnv("GLOMERIX_ATTENTE_VERROU_MS", "1000");
    ASSERT_TRUE(a.startAtPrompt());
    ASSERT_TRUE(b.startAtPrompt());
    const pid_t gardien = fork();
    ASSERT_GE(gardien, 0);
    if (gardien == 0) GarderLeVerrou(a.dbPath().string());
    int statut = 0;
    ASSERT_EQ(waitpid(gardien, &statut, WUNTRACED), gardien);
    ASSERT_TRUE(WIFSTOPPED(statut));

    a.send("mode info off\nnb 30\nplacer\ninfo\n");
    b.send("mode info off\nnb 31\nplacer\ninfo\n");
    c.start();
    c.send("mode info off\nnb 32\nplacer\ninfo\nmarquer\n");
    for (e2e::Session* s : {&a, &b, &c}) {
        EXPECT_TRUE(s->waitForError("verrouillée depuis plus de 1 s")) << s->errorsSoFar();
        EXPECT_NE(s->errorsSoFar().find("\nERREUR : 1\n"), std::string::npos) << s->errorsSoFar();
    }
    for (e2e::Session* s : {&a, &b, &c}) EXPECT_TRUE(s->waitFor("Minimum de l'energie potentielle")) << s->outputSoFar();
    kill(gardien, SIGCONT);
    ASSERT_EQ(waitpid(gardien, &statut, 0), gardien);
    EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0);

    std::map<int, Valeurs> affiches;
    for (e2e::Session* s : {&a, &b, &c}) {
        s->send("quitter\n");
        const e2e::Result r = s->finish();
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.err.find("de nouveau libre"), std::string::npos) << r.err;
        const std::vector<Bloc> blocs = Blocs(r.out);
        ASSERT_EQ(blocs.size(), 1u) << r.out;
        affiches[blocs[0].n] = {blocs[0].energie, blocs[0].distance};
    }
    std::string sortie;
    EXPECT_EQ(Verifier(a.dbPath().string(), sortie), 0) << sortie;
    const std::map<int, Valeurs> contenu = Contenu(a.dbPath().string());
    EXPECT_TRUE(contenu.count(7));
    for (const auto& [n, v] : affiches) {
        ASSERT_TRUE(contenu.count(n)) << n;
        EXPECT_TRUE(Egal(contenu.at(n).energie, v.energie)) << n;
        EXPECT_TRUE(Egal(contenu.at(n).distance, v.distance)) << n;
    }
    // The mark set while the lock was held is there.
    e2e::Session d;
    d.setEnv("XDG_DATA_HOME", a.dataDir().string());
    const e2e::Result liste = d.run("liste\n");
    EXPECT_NE(liste.out.find("Nombre de particules : 32 "), std::string::npos) << liste.out;
}

}  // namespace

// The command loop seen from outside: start-up text, exits, dispatch, signals.
#include <gtest/gtest.h>

#include <csignal>
#include <omp.h>

#include "e2e/harness.h"

namespace {

const std::string kBanniere =
    "\t\tGlomerix\nLogiciel de simulations physiques et mathématiques, réalisé dans le cadres "
    "d'un <credit>.\n\nPour obtenir de l'aide sur les commandes disponibles, tapez aide.\n\n";

std::string Commandes(const std::string& input) {
    e2e::Session s;
    const e2e::Result r = s.run(input);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return e2e::ApresDemarrage(e2e::Masque(r.out));
}

}  // namespace

TEST(Boucle, StartUpTextThenPrompt) {
    e2e::Session s;
    const e2e::Result r = s.run("quitter\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::Masque(r.out), kBanniere + "Le logiciel va utiliser 1 thread pour s'exécuter.\n\n> ");
}

TEST(Boucle, QuitterInAnyCase) {
    for (const char* mot : {"QUITTER\n", "quitter\n", "QuItTeR\n"}) {
        e2e::Session s;
        const e2e::Result r = s.run(std::string(mot) + "foo\n");
        EXPECT_EQ(r.exitCode, 0) << mot;
        EXPECT_EQ(e2e::ApresDemarrage(r.out), "") << mot;  // nothing read after QUITTER
    }
}

TEST(Boucle, EndOfInputQuits) {
    e2e::Session s;
    const e2e::Result r = s.run("");
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::Compter(r.out, "> "), 1);
    // A last line without its line end is still run.
    EXPECT_EQ(Commandes("foo"), "Commande inconnue.\n> ");
}

TEST(Boucle, UnknownAndEmptyCommands) {
    EXPECT_EQ(Commandes("foo\n"), "Commande inconnue.\n> ");
    EXPECT_EQ(Commandes("openmp 4\n"), "Commande inconnue.\n> ");
    // An empty first word does nothing, whatever follows.
    EXPECT_EQ(Commandes("\n nb\n,quitter\n.k\n"), "> > > > ");
    // Words beyond the tenth are dropped without harm.
    EXPECT_EQ(Commandes("k 2 5 a b c d e f g h i j k l\nk\n"),
              "> La constante de normalisation de la force est : 2.5\n> ");
}

// A line over 255 characters is refused whole: no piece of it runs.
TEST(Boucle, ControlCharactersAndLongLinesDoNotStopTheLoop) {
    const std::string longue(600, 'x');
    EXPECT_EQ(Commandes(longue + "\n\x01\x7f\nquitter\n"), "> Commande inconnue.\n> ");
}

TEST(Boucle, StoredOpenmpSwitchGivesTheProcessorCount) {
    e2e::Session s;
    ASSERT_EQ(s.run("mode openmp on\nquitter\n").exitCode, 0);
    const e2e::Result r = s.run("quitter\n");
    const int n = omp_get_num_procs();
    const std::string ligne = "Le logiciel va utiliser " + std::to_string(n) +
                              (n <= 1 ? " thread pour s'exécuter.\n\n" : " threads pour s'exécuter.\n\n");
    EXPECT_EQ(e2e::Masque(r.out), kBanniere + ligne + "> ");
}

TEST(Boucle, InterruptAtThePromptChangesNothing) {
    e2e::Session s;
    ASSERT_TRUE(s.startAtPrompt());
    s.signal(SIGINT);
    s.signal(SIGQUIT);
    ASSERT_TRUE(s.sendAndWait("k\n"));
    s.send("quitter\n");
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::ApresDemarrage(r.out), "La constante de normalisation de la force est : 1.\n> ");
}

// A hangup or a termination ends the session as QUITTER does (the MODE
// switches saved, the database closed), with the status that tells it from
// a clean end: 128 + the signal. At a prompt read from a pipe, or edited on
// a terminal.
TEST(Boucle, HangupAndTerminationEndAsQuitterWithTheirStatus) {
    for (const bool terminal : {false, true}) {
        for (const int sig : {SIGHUP, SIGTERM}) {
            e2e::Session s;
            if (terminal) s.setTerminal(e2e::Session::Terminal::Complet);
            ASSERT_TRUE(s.startAtPrompt());
            ASSERT_TRUE(!terminal || s.waitForEditing());
            ASSERT_TRUE(s.sendAndWait(terminal ? "mode axes on\r" : "mode axes on\n"));
            ASSERT_TRUE(!terminal || s.waitForEditing());
            s.signal(sig);
            EXPECT_EQ(s.finish().exitCode, 128 + sig) << sig << (terminal ? " on a terminal" : "");
            e2e::Session suivante;
            suivante.setEnv("XDG_DATA_HOME", s.dataDir().string());
            const e2e::Result r = suivante.run("mode\n");
            EXPECT_NE(r.out.find("  AXES        MARCHE\n"), std::string::npos) << sig << "\n" << r.out;
        }
    }
}

// During a computation: it stops after its current step, its result is
// offered to the database as after Ctrl+C, and the session ends there; the
// commands after it do not run.
TEST(Boucle, TerminationStopsTheComputationThenEndsTheSession) {
    e2e::Session s;
    s.setTerminal(e2e::Session::Terminal::Erreurs);
    s.start();
    s.send("nb 1500\nrelax 9999 k\nk 2.0\n");
    ASSERT_TRUE(s.waitForError("RELAX"));  // the progress line: the loop runs
    s.signal(SIGTERM);
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 128 + SIGTERM);
    EXPECT_NE(r.out.find("Temps de calcul (ms) : "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Valeurs de références"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("La constante de normalisation"), std::string::npos) << r.out;
    EXPECT_NE(s.run("liste tout\n").out.find("Nombre de particules : 1500 "), std::string::npos);
}

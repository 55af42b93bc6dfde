// The program in a terminal, as a user meets it: line editing, history kept
// between runs, completion, Ctrl+C and Ctrl+D at the prompt, the window title,
// the confirmations; and the progress line, which only a terminal on stderr
// sees while stdout stays the same.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

namespace fs = std::filesystem;
using Terminal = e2e::Session::Terminal;

constexpr const char* kHaut = "\x1b[A";
constexpr const char* kGauche = "\x1b[D";

// Types `touches` once the line editor has the terminal and waits for
// `attendu` to be shown one more time than before.
bool Taper(e2e::Session& s, const std::string& touches, const std::string& attendu = "> ") {
    if (!s.waitForEditing()) return false;
    const int avant = e2e::Compter(s.outputSoFar(), attendu);
    s.send(touches);
    return s.waitFor(attendu, avant + 1, std::chrono::seconds(30));
}

void Demarrer(e2e::Session& s) {
    s.setTerminal(Terminal::Complet);
    ASSERT_TRUE(s.startAtPrompt());
}

std::string Fin(const e2e::Result& r) { return r.out.substr(r.out.rfind("> ")); }

}  // namespace

TEST(Terminal, CursorKeysEditTheLine) {
    e2e::Session s;
    Demarrer(s);
    // The case: Left inside "NB 3" used to put its escape bytes in the word.
    ASSERT_TRUE(Taper(s, std::string("nb 3") + kGauche + "2\r"));
    ASSERT_TRUE(Taper(s, "nb 5\x01\x0b" "nb\r", "est : "));  // Ctrl+A Ctrl+K: only "nb" runs
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Le nombre actuel de particules est : 23\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Commande inconnue"), std::string::npos);
}

TEST(Terminal, HistoryRecalledInTheNextRunFromAPrivateFile) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "nb 7\r"));
    ASSERT_TRUE(Taper(s, "nb 7\r"));  // kept once
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    ASSERT_EQ(s.finish().exitCode, 0);
    const fs::path fichier = s.homeDir() / ".local/state/glomerix/history";
    EXPECT_EQ(e2e::LireFichier(fichier), "nb 7\nquitter\n");
    EXPECT_EQ(fs::status(fichier).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    Demarrer(s);
    ASSERT_TRUE(Taper(s, std::string(kHaut) + kHaut + "\r", "Energie Potentiel minimum"));  // "nb 7" again
    ASSERT_TRUE(Taper(s, "nb\r", "est : "));
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_NE(r.out.find("Le nombre actuel de particules est : 7\r\n"), std::string::npos) << r.out;
}

// A history that is no regular file (a FIFO would wait for a writer before
// the first prompt, and Ctrl+C would not help): left as it is, with a
// warning, and the run goes on.
TEST(Terminal, AHistoryThatIsNoFileIsLeftAlone) {
    e2e::Session s;
    const fs::path fichier = s.homeDir() / ".local/state/glomerix/history";
    fs::create_directories(fichier.parent_path());
    ASSERT_EQ(mkfifo(fichier.c_str(), 0600), 0);
    Demarrer(s);
    EXPECT_NE(s.outputSoFar().find("Attention : l'historique des commandes n'est pas un fichier ordinaire"),
              std::string::npos)
        << s.outputSoFar();
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    EXPECT_EQ(s.finish().exitCode, 0);
    EXPECT_TRUE(fs::is_fifo(fichier));
}

TEST(Terminal, TabCompletesCommandsAndTheirWords) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "mode info off\r"));
    ASSERT_TRUE(Taper(s, "rel\t5\r", "Temps de calcul"));  // "relax 5"
    // "MODE AXES ", then the row's words in O listed; "N" makes it ON.
    ASSERT_TRUE(Taper(s, "MODE AX\tO\t", "OPENMP"));
    ASSERT_TRUE(Taper(s, "N\r"));
    ASSERT_TRUE(Taper(s, "mode\r", "DUAL"));
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_NE(r.out.find("  AXES        MARCHE"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("OFF     ON      OPENMP"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Commande inconnue"), std::string::npos) << r.out;
}

TEST(Terminal, FileNamesCompleteAtTheirPrompt) {
    e2e::Session s;
    fs::create_directories(s.workDir() / "sorties");
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "enregistrer\r", "supprimer.\r\n"));
    ASSERT_TRUE(Taper(s, "sor\tpos.txt\r"));
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    EXPECT_EQ(s.finish().exitCode, 0);
    EXPECT_EQ(e2e::Compter(e2e::LireFichier(s.workDir() / "sorties" / "pos.txt"), "\n"), 400);
}

// A name completed with Tab is the file's own: no space after it, so CHARGER
// FICHIER loads it and ENREGISTRER writes that file again rather than one
// whose name ends in a space. Blanks typed after a name are dropped too.
TEST(Terminal, ACompletedFileNameNamesTheFile) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "mode info off\r"));
    ASSERT_TRUE(Taper(s, "nb 150\r"));
    ASSERT_TRUE(Taper(s, "enregistrer\r", "supprimer.\r\n"));
    ASSERT_TRUE(Taper(s, "thomson150.txt\r"));
    ASSERT_TRUE(Taper(s, "charger fichier\r", "150 particules.\r\n"));
    ASSERT_TRUE(Taper(s, "thom\t\r"));
    ASSERT_TRUE(Taper(s, "enregistrer\r", "supprimer.\r\n"));
    ASSERT_TRUE(Taper(s, "thom\t\r"));
    ASSERT_TRUE(Taper(s, "enregistrer\r", "supprimer.\r\n"));
    ASSERT_TRUE(Taper(s, "sortie.txt  \r"));
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.find("Aucune position"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Erreur"), std::string::npos) << r.out;
    std::vector<std::string> noms;
    for (const fs::directory_entry& e : fs::directory_iterator(s.workDir())) noms.push_back(e.path().filename());
    std::sort(noms.begin(), noms.end());
    EXPECT_EQ(noms, (std::vector<std::string>{"sortie.txt", "thomson150.txt"}));
    EXPECT_EQ(e2e::Compter(e2e::LireFichier(s.workDir() / "thomson150.txt"), "\n"), 150);
}

// Ctrl+C abandons the typed line and gives a new prompt at once, without Enter.
TEST(Terminal, CtrlCAtThePromptGivesAFreshPrompt) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(s.waitForEditing());
    s.send("nb 50");
    ASSERT_TRUE(s.waitFor("nb 50"));
    ASSERT_TRUE(Taper(s, "\x03"));
    ASSERT_TRUE(Taper(s, "nb\r", "est : "));
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("nb 50\r\n> "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Le nombre actuel de particules est : 400\r\n"), std::string::npos) << r.out;
}

// Ctrl+D on an empty line ends as QUITTER does (the modes are saved), the
// cursor on a line of its own.
TEST(Terminal, CtrlDEndsLikeQuitterOnANewLine) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "mode axes on\r"));
    ASSERT_TRUE(s.waitForEditing());
    s.send("\x04");
    e2e::Result r = s.finish();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Fin(r).substr(Fin(r).size() - 2), "\r\n") << Fin(r);

    Demarrer(s);
    ASSERT_TRUE(Taper(s, "mode\r", "DUAL"));
    ASSERT_TRUE(s.waitForEditing());
    s.send("\x04");
    r = s.finish();
    EXPECT_NE(r.out.find("  AXES        MARCHE"), std::string::npos) << r.out;
}

TEST(Terminal, WindowTitleSavedThenRestored) {
    e2e::Session s;
    s.setTerminal(Terminal::Complet);
    s.setEnv("NO_COLOR", "");
    s.start();
    ASSERT_TRUE(s.waitForEditing());
    s.send("quitter\r");
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("\x1b[22;0t\x1b]0;Glomerix", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 7), "\x1b[23;0t");
    EXPECT_EQ(e2e::Compter(r.out, "\x1b[22;0t"), 1);
}

TEST(Terminal, DesinstallerAndSupprimerAskFirst) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "info\r"));  // records the values of 400 particles
    ASSERT_TRUE(Taper(s, "supprimer\r", "Confirmer (o/N) ? "));
    ASSERT_TRUE(Taper(s, "\r"));      // no answer: no
    ASSERT_TRUE(Taper(s, "liste tout\r"));
    ASSERT_TRUE(Taper(s, "supprimer\r", "Confirmer (o/N) ? "));
    ASSERT_TRUE(Taper(s, "OUI\r"));
    ASSERT_TRUE(Taper(s, "liste tout\r"));
    ASSERT_TRUE(Taper(s, "desinstaller\r", "Confirmer (o/N) ? "));
    ASSERT_TRUE(Taper(s, "non\r"));
    EXPECT_TRUE(fs::exists(s.dbPath()));
    ASSERT_TRUE(Taper(s, "desinstaller\r", "Confirmer (o/N) ? "));
    ASSERT_TRUE(s.waitForEditing());
    s.send("o\r");
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(fs::exists(s.dbPath()));
    EXPECT_EQ(e2e::Compter(r.out, "Nombre de particules : 400 Distance"), 1) << r.out;
}

namespace {

// Runs a loop that lasts until Ctrl+C, then more commands. With stderr on a
// terminal the signal comes once the progress line shows; on a pipe after as
// long, and without any line.
e2e::Result ScriptInterrompu(e2e::Session& s, bool terminal) {
    if (terminal) s.setTerminal(Terminal::Erreurs);
    s.start();
    s.send("mode info off\nnb 2000\n");
    EXPECT_TRUE(s.waitFor("> ", 3));
    // The clock read before the command is sent: the loop starts after it.
    const auto debut = std::chrono::steady_clock::now();
    s.send("relax 9999 k\n");
    if (terminal) {
        EXPECT_TRUE(s.waitForError("\rRELAX étape "));
    } else {
        s.waitForError("étape", std::chrono::milliseconds(1500));
    }
    const auto attente = std::chrono::steady_clock::now() - debut;
    EXPECT_GE(attente, std::chrono::seconds(1));  // never before a second
    EXPECT_TRUE(s.interruptUntil("Temps de calcul"));
    s.send("k 2\nnb\nquitter\n");
    return s.finish();
}

}  // namespace

// The same script with stderr on a pipe or on a terminal: the same stdout.
// Only the terminal gets the progress line, erased before the time line and
// before the warning.
TEST(Terminal, ProgressOnlyOnATerminalAndStdoutTheSame) {
    e2e::Session tube, terminal;
    const e2e::Result surTube = ScriptInterrompu(tube, false);
    const e2e::Result surTerminal = ScriptInterrompu(terminal, true);
    ASSERT_EQ(surTube.exitCode, 0);
    ASSERT_EQ(surTerminal.exitCode, 0);
    EXPECT_EQ(e2e::Masque(surTerminal.out), e2e::Masque(surTube.out));
    EXPECT_NE(surTube.out.find("Le nombre actuel de particules est : 2000\n"), std::string::npos);
    const std::string avertissement =
        "Attention : \"K 2\" affiche la valeur sans la modifier : un nombre se tape sous la forme a.b, par "
        "exemple K 2.0.";
    EXPECT_EQ(surTube.err, avertissement + "\n");
    const std::string& err = surTerminal.err;
    // The first line comes after a second, later on a loaded machine.
    const size_t ligne = err.find("/9999000 (0 %), écoulé ");
    ASSERT_NE(ligne, std::string::npos) << err;
    const size_t secondes = ligne + std::string("/9999000 (0 %), écoulé ").size();
    EXPECT_EQ(err.compare(err.find_first_not_of("0123456789", secondes), 9, " s, reste"), 0) << err;
    const std::string debut = "\rRELAX étape ";
    const size_t etape = err.rfind(debut, ligne);
    ASSERT_NE(etape, std::string::npos) << err;
    EXPECT_EQ(err.find_first_not_of("0123456789", etape + debut.size()), ligne) << err;
    EXPECT_NE(err.find("\x1b[K\r\x1b[K" + avertissement + "\r\n"), std::string::npos) << err;
}

// The descents and TAMMES draw the same line: step of n, with the energy
// they reach or the smallest distance.
TEST(Terminal, MinimiserExplorerAndTammesShowTheirProgress) {
    // A descent of 3000 particles lasts seconds, hops of 150 a fraction of
    // one, and TAMMES from a random start of 1000 particles many iterations
    // of a fraction of a second (at 150, the whole command may end within
    // the second before the first progress line).
    for (const char* commande : {"nb 3000\nminimiser 9999 k", "nb 150\nexplorer 9999", "nb 1000\ntammes 9999 k"}) {
        e2e::Session s;
        s.setTerminal(Terminal::Erreurs);
        s.start();
        s.send(std::string("mode info off\n") + commande + "\n");
        EXPECT_TRUE(s.waitFor("> ", 3));
        const std::string ligne = std::string(commande).substr(std::string(commande).find('\n') + 1);
        const std::string nom = ligne.substr(0, ligne.find(' '));
        std::string majuscules = nom;
        for (char& c : majuscules) c = static_cast<char>(c - 'a' + 'A');
        EXPECT_TRUE(s.waitForError("\r" + majuscules + " étape ")) << commande;
        EXPECT_TRUE(s.interruptUntil("Temps de calcul")) << commande;
        s.send("quitter\n");
        const e2e::Result r = s.finish();
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.err.find(nom == "tammes" ? ", distance 0." : ", énergie "), std::string::npos) << r.err;
    }
}

// Ctrl+C typed while a command runs shows "^C" where the cursor stands; the
// command's closing lines start below it, not after it.
TEST(Terminal, AnInterruptedCommandAnswersOnALineOfItsOwn) {
    e2e::Session s;
    Demarrer(s);
    ASSERT_TRUE(Taper(s, "mode info off\r"));
    ASSERT_TRUE(Taper(s, "nb 3000\r"));
    ASSERT_TRUE(s.waitForEditing());
    s.send("minimiser 9999 k\r");
    ASSERT_TRUE(s.waitFor("minimiser 9999 k\r\n"));
    // Typed at the terminal, as a user does, until the command ends.
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!s.waitFor("Itérations : ", 1, std::chrono::milliseconds(300)) && std::chrono::steady_clock::now() < limite) {
        s.send("\x03");
    }
    ASSERT_TRUE(Taper(s, "quitter\r", "quitter"));
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    const size_t resultat = r.out.find("Itérations : ");
    ASSERT_NE(resultat, std::string::npos) << r.out;
    EXPECT_EQ(r.out[resultat - 1], '\n') << r.out.substr(r.out.find("minimiser 9999 k"));
    EXPECT_NE(r.out.find("^C"), std::string::npos);
}

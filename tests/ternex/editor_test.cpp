// Lines edited on a pseudo-terminal: keys, history, completion, Ctrl+C and
// Ctrl+D, posted characters, the charset; and the status line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ternex/pseudo_terminal.h"
#include "ternex/ternex.h"

namespace {

namespace fs = std::filesystem;

struct Lu {
    std::string texte;
    ternex_line_status etat;
};

std::vector<std::string> Mots(const std::string& avant, size_t* debut) {
    static const char* const mots[] = {"quitter", "relax", "reset"};
    *debut = avant.rfind(' ') == std::string::npos ? 0 : avant.rfind(' ') + 1;
    const std::string tape = avant.substr(*debut);
    std::vector<std::string> trouves;
    for (const char* m : mots) {
        if (std::string(m).rfind(tape, 0) == 0) trouves.push_back(m);
    }
    return trouves;
}

bool Ignorer(int) { return true; }

class ternexEditor : public ternexTerminal {
protected:
    // Reads one line while `keys` are typed.
    Lu lire(ternex_console& c, const std::string& keys, bool history = true, int max = 255) {
        when_reading([this, keys] { type(keys); });
        return lire_seul(c, history, max);
    }
    Lu lire_seul(ternex_console& c, bool history = true, int max = 255) {
        ternex_line_options options;
        options.prompt = "> ";
        options.promptAttribute = 15;
        options.completer = Mots;
        options.history = history;
        char buffer[1024];
        Lu lu;
        const int n = c.read_command_line(buffer, max, options, &lu.etat);
        lu.texte.assign(buffer, static_cast<size_t>(n));
        EXPECT_EQ(lu.texte, std::string(buffer));
        if (typist_.joinable()) typist_.join();
        return lu;
    }
    fs::path dossier() {
        if (dossier_.empty()) {
            dossier_ = fs::temp_directory_path() / ("ternex-editor-" + std::to_string(getpid()));
            fs::remove_all(dossier_);
            fs::create_directories(dossier_);
        }
        return dossier_;
    }
    void TearDown() override {
        ternexTerminal::TearDown();
        if (!dossier_.empty()) fs::remove_all(dossier_);
    }
    fs::path dossier_;
};

TEST_F(ternexEditor, OnlyWhenBothSidesAreATerminalThatIsNotDumb) {
    EXPECT_TRUE(open().line_editing());
    setenv("TERM", "dumb", 1);
    EXPECT_FALSE(open().line_editing());
    setenv("TERM", "xterm", 1);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        ternex_console onAPipe(slave_, fds[1], "UTF-8");
        EXPECT_FALSE(onAPipe.line_editing());
        EXPECT_TRUE(onAPipe.input_is_terminal());
    }
    close(fds[0]);
    close(fds[1]);
}

TEST_F(ternexEditor, CursorKeysHomeEndAndDelete) {
    ternex_console& c = open();
    // "nb 3", Left, "2"; Home, "x", Home, Delete; End, " k".
    const Lu lu = lire(c, "nb 3\x1b[D" "2\x1b[Hx\x1b[H\x1b[3~\x1b[F k\r");
    EXPECT_EQ(lu.texte, "nb 23 k");
    EXPECT_FALSE(lu.etat.endOfInput || lu.etat.tooLong || lu.etat.interrupted);
    // xterm's other spellings of the same keys.
    EXPECT_EQ(lire(c, "b\x1bOHa\x1bOFc\x1b[1~\x1b[3~\r").texte, "bc");
}

TEST_F(ternexEditor, EmacsControlKeys) {
    ternex_console& c = open();
    // ^A, ^E, ^W (previous word), ^A ^K (all after the cursor).
    EXPECT_EQ(lire(c, "abc def\x01X\x05Y\x17!\r").texte, "Xabc !");
    EXPECT_EQ(lire(c, "abc def\x01\x0bok\r").texte, "ok");
    EXPECT_EQ(lire(c, "gone\x15kept\r").texte, "kept");  // ^U: all before the cursor
}

TEST_F(ternexEditor, HistoryUpDownAndSearch) {
    ternex_console& c = open();
    lire(c, "nb 5\r");
    lire(c, "k 1.5\r");
    lire(c, "k 1.5\r");  // no line twice in a row
    lire(c, "secret\r", false);
    // Recalled without joining the history again.
    EXPECT_EQ(lire(c, "\x1b[A\r", false).texte, "k 1.5");
    EXPECT_EQ(lire(c, "\x1b[A\x1b[A\r", false).texte, "nb 5");
    EXPECT_EQ(lire(c, "\x1b[A\x1b[A\x1b[A\r", false).texte, "nb 5");  // no older line
    EXPECT_EQ(lire(c, "\x1b[A\x1b[A\x1b[B\r", false).texte, "k 1.5");
    EXPECT_EQ(lire(c, "\x12nb\r", false).texte, "nb 5");  // Ctrl+R
    EXPECT_EQ(lire(c, "\x12.5\r", false).texte, "k 1.5");
}

TEST_F(ternexEditor, HistoryKeptInAFileBetweenRuns) {
    const fs::path fichier = dossier() / "etat" / "glomerix" / "history";
    {
        ternex_console& c = open();
        c.set_history_file(fichier.string(), 1000, 255);
        lire(c, "nb 7\r");
        lire(c, "relax 1 k\r");
        lire(c, std::string(300, 'x') + "\r");  // refused: not kept
    }
    std::ifstream in(fichier);
    std::string contenu((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(contenu, "nb 7\nrelax 1 k\n");
    EXPECT_EQ(fs::status(fichier).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    ternex_console& c = open();
    c.set_history_file(fichier.string(), 1000, 255);
    EXPECT_EQ(lire(c, "\x1b[A\x1b[A\r").texte, "nb 7");
}

TEST_F(ternexEditor, TabCompletesAndListsTheCandidates) {
    ternex_console& c = open();
    EXPECT_EQ(lire(c, "qu\t\r").texte, "quitter ");
    screen();
    // "re": two candidates and nothing to add: they are listed under the line.
    Lu lu;
    std::thread lecteur([&] { lu = lire_seul(c); });
    wait_for_reading();
    type("re\t");
    const std::string vu = screen_until("reset");
    EXPECT_NE(vu.find("relax  reset"), std::string::npos) << vu;
    type("l\t\r");
    lecteur.join();
    EXPECT_EQ(lu.texte, "relax ");
    EXPECT_EQ(lire(c, "zz\t\r").texte, "zz");  // no candidate: a beep, nothing added
}

// Where the answer is one name (a file's), the completed name ends the line as
// it is: a space after it would be part of the name.
TEST_F(ternexEditor, NoSpaceAfterACompletedNameWhenAsked) {
    ternex_console& c = open();
    ternex_line_options options;
    options.completer = Mots;
    options.spaceAfterWord = false;
    char buffer[256];
    when_reading([this] { type("qu\t\r"); });
    c.read_command_line(buffer, 255, options);
    EXPECT_STREQ(buffer, "quitter");
}

TEST_F(ternexEditor, CtrlCAbandonsTheLine) {
    ternex_console& c = open();
    ASSERT_TRUE(c.set_ctrl_handler(Ignorer));
    screen();
    // The signal once the editor has shown the keys: sent earlier, it could
    // overtake them, and they would start the next line.
    std::string vu;
    when_reading([this, &vu] {
        type("nb 12");
        vu = screen_until("nb 12");
        kill(getpid(), SIGINT);
    });
    const Lu lu = lire_seul(c);
    EXPECT_TRUE(lu.etat.interrupted);
    EXPECT_EQ(lu.texte, "");
    vu += screen();
    EXPECT_EQ(vu.substr(vu.size() - 1), "\n") << vu;  // the cursor below the abandoned line
    // Nothing of it is kept, and the next line is read as usual.
    EXPECT_EQ(lire(c, "\x1b[Ak\r").texte, "k");
}

// Without the editor (TERM=dumb) the terminal drops the line itself; the
// read gives it up too, and a fresh prompt can follow at once.
TEST_F(ternexEditor, CtrlCAbandonsALineReadWithoutTheEditor) {
    setenv("TERM", "dumb", 1);
    ternex_console& c = open();
    ASSERT_FALSE(c.line_editing());
    ASSERT_TRUE(c.set_ctrl_handler(Ignorer));
    std::atomic<bool> lu{false};
    std::thread interrompre([&lu] {
        while (!lu) {
            usleep(100000);
            if (!lu) kill(getpid(), SIGINT);
        }
    });
    char buffer[256];
    ternex_line_status etat;
    c.read_command_line(buffer, 255, ternex_line_options{}, &etat);
    lu = true;
    interrompre.join();
    EXPECT_TRUE(etat.interrupted);
    EXPECT_STREQ(buffer, "");
    type("k 2.0\n");
    c.read_command_line(buffer, 255, ternex_line_options{}, &etat);
    EXPECT_FALSE(etat.interrupted);
    EXPECT_STREQ(buffer, "k 2.0");
}

TEST_F(ternexEditor, CtrlDOnAnEmptyLineEndsTheInputOnANewLine) {
    ternex_console& c = open();
    screen();
    const Lu lu = lire(c, "\x04");
    EXPECT_TRUE(lu.etat.endOfInput);
    EXPECT_EQ(lu.texte, "");
    const std::string vu = screen();
    EXPECT_EQ(vu.substr(vu.size() - 1), "\n") << vu;
    // On a line that holds text it deletes, as Delete does.
    EXPECT_EQ(lire(c, "ab\x01\x04\r").texte, "b");
}

TEST_F(ternexEditor, PostedCharactersReachTheEditedLine) {
    ternex_console& c = open();
    when_reading([&c] {
        c.post_char('k');
        c.post_char(' ');
        c.post_char('\xE9');
        c.post_char('\r');
    });
    EXPECT_EQ(lire_seul(c).texte, "k \xE9");
}

TEST_F(ternexEditor, TextConvertedAsTypedLinesAreAndTooLongLinesRefused) {
    ternex_console& c = open();
    // é t é | ł (not in Windows-1252) | €
    EXPECT_EQ(lire(c, "\xC3\xA9t\xC3\xA9|\xC5\x82|\xE2\x82\xAC\r").texte, "\xE9t\xE9|?|\x80");
    const Lu lu = lire(c, std::string(256, 'x') + "\r");
    EXPECT_TRUE(lu.etat.tooLong);
    EXPECT_EQ(lu.texte, "");
    EXPECT_EQ(lire(c, std::string(255, 'y') + "\r").texte, std::string(255, 'y'));
}

TEST_F(ternexEditor, PromptInItsColoursThenTheText) {
    ternex_console& c = open();
    screen();
    lire(c, "a\r");
    const std::string vu = screen();
    EXPECT_NE(vu.find("\x1b[0;97;49m>\x1b[0;39;49m "), std::string::npos) << vu;
    setenv("NO_COLOR", "1", 1);
    ternex_console& plain = open();
    lire(plain, "a\r");
    EXPECT_EQ(screen().find('\x1b'), std::string::npos);
}

TEST_F(ternexEditor, FileNamesCompleteFromTheFolder) {
    const fs::path d = dossier();
    fs::create_directories(d / "sous");
    std::ofstream(d / "positions.txt").put('x');
    std::ofstream(d / "position_b.txt").put('x');
    std::ofstream(d / ".cache").put('x');
    const std::string base = d.string() + "/";
    size_t debut = 99;
    EXPECT_EQ(ternex_complete_file_name(base + "pos", &debut),
              (std::vector<std::string>{base + "position_b.txt", base + "positions.txt"}));
    EXPECT_EQ(debut, 0u);
    EXPECT_EQ(ternex_complete_file_name(base + "so", &debut), std::vector<std::string>{base + "sous/"});
    // Hidden entries once their dot is typed; nothing from a missing folder.
    EXPECT_EQ(ternex_complete_file_name(base, &debut).size(), 3u);
    EXPECT_EQ(ternex_complete_file_name(base + ".", &debut), std::vector<std::string>{base + ".cache"});
    EXPECT_TRUE(ternex_complete_file_name(base + "rien/x", &debut).empty());
}

// The status line on a terminal: in place, cut to the width, erased before
// any other output and by a warning.
TEST_F(ternexTerminal, StatusLineInPlaceAndErasedBeforeOutput) {
    ternex_console& c = open(slave_);
    ASSERT_TRUE(c.status_line_available());
    c.show_status("RELAX \xE9tape 1/2");
    c.show_status("RELAX \xE9tape 2/2");
    EXPECT_EQ(screen(), "\rRELAX \xC3\xA9tape 1/2\x1b[K\rRELAX \xC3\xA9tape 2/2\x1b[K");
    c.write("Temps");
    c.write(" fin\n");
    EXPECT_EQ(screen(), "\r\x1b[KTemps fin\n");
    c.show_status(std::string(200, 's').c_str());
    EXPECT_EQ(screen(), "\r" + std::string(131, 's') + "\x1b[K");
    c.warn("Attention : \xE9");
    EXPECT_EQ(screen(), "\r\x1b[KAttention : \xC3\xA9\n");
    c.clear_status();
    EXPECT_EQ(screen(), "");
}

TEST_F(ternexTerminal, NoStatusLineOnADumbTerminalOrAPipe) {
    setenv("TERM", "dumb", 1);
    ternex_console& c = open(slave_);
    EXPECT_FALSE(c.status_line_available());
    c.show_status("x");
    c.clear_status();
    EXPECT_EQ(screen(), "");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    setenv("TERM", "xterm", 1);
    {
        ternex_console onAPipe(slave_, slave_, "UTF-8", fds[1]);
        EXPECT_FALSE(onAPipe.status_line_available());
        onAPipe.show_status("x");
        onAPipe.warn("un avertissement");
    }
    close(fds[1]);
    char lu[64] = {};
    EXPECT_EQ(read(fds[0], lu, sizeof lu), 17);
    EXPECT_STREQ(lu, "un avertissement\n");
    close(fds[0]);
}

}  // namespace

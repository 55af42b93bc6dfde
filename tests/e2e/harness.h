// End-to-end harness: runs the built program (Programme()) as a child process
// with a fresh working directory, a fresh XDG_DATA_HOME and HOME, TERM=dumb and
// LC_ALL=C (so its output is plain UTF-8 without escape sequences), feeds its
// standard input and collects standard output and standard error apart.
// setTerminal puts standard error, or all three, on a pseudo-terminal.
//
// One-shot:
//     e2e::Session s;
//     e2e::Result r = s.run("info\nquitter\n");
//     EXPECT_EQ(r.exitCode, 0);
//     EXPECT_NE(e2e::Masque(r.out).find("Valeurs de références :\n"), std::string::npos);
//
// Interactive (signals, waiting for a text before sending the next line):
//     ASSERT_TRUE(s.startAtPrompt());
//     s.send("relax 9999 k\n");
//     ASSERT_TRUE(s.interruptUntil("Temps de calcul"));
//     ASSERT_TRUE(s.waitFor("> ", 2));   // the second prompt
//     s.closeInput();
//     e2e::Result r = s.finish();
//
// Each Session owns a temporary tree removed by its destructor (set
// E2E_KEEP=1 in the environment to keep it for inspection).
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace e2e {

// The build folder whose glomerix and glomerix-db the tests run: the one named
// by GLOMERIX_E2E_BUILD when it is set (CI runs these drivers, built once,
// against its sanitized builds), else the tests' own build.
std::filesystem::path DossierProgrammes();
// glomerix, or glomerix-db, of that folder.
std::filesystem::path Programme(const char* nom = "glomerix");

struct Result {
    std::string out;      // stdout; on a whole terminal, all the terminal showed
    std::string err;      // stderr (empty on a whole terminal)
    int exitCode = -1;    // exit status, or 128 + signal number when killed
    bool timedOut = false;
};

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::filesystem::path& workDir() const { return work_; }  // the child's cwd
    const std::filesystem::path& dataDir() const { return data_; }  // XDG_DATA_HOME
    std::filesystem::path dbPath() const { return data_ / "glomerix.dat"; }

    // Extra environment for the next start (an empty value unsets the variable).
    void setEnv(const std::string& name, const std::string& value) { env_[name] = value; }

    // Where the next start's descriptors go. Erreurs: stderr on a
    // pseudo-terminal (TERM=xterm), stdin and stdout on pipes. Complet: all
    // three on one pseudo-terminal of 80 x 24 (TERM=xterm-256color,
    // LC_ALL=C.UTF-8, NO_COLOR=1 so that the prompt is a plain "> "), as a
    // user's session; input is typed at it, and closeInput does not end it.
    enum class Terminal { Aucun, Erreurs, Complet };
    // Command-line arguments (after the program's name) for the next start.
    void setArgs(std::vector<std::string> args) { args_ = std::move(args); }
    // Another executable than the built program (an installed copy).
    void setProgram(const std::filesystem::path& exe) { exe_ = exe; }
    void setTerminal(Terminal t);
    const std::filesystem::path& homeDir() const { return home_; }  // HOME

    // Starts the program, writes all of input, closes its stdin, waits.
    Result run(const std::string& input,
               std::chrono::milliseconds timeout = std::chrono::seconds(120));

    // Interactive use.
    void start();
    void send(const std::string& text);
    // Reads until `text` has appeared `occurrences` times in the whole output.
    bool waitFor(const std::string& text, int occurrences = 1,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The same in standard error, kept apart.
    bool waitForError(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Starts and waits for the first prompt.
    bool startAtPrompt(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Sends text and waits until `prompts` more prompts ("> ") have appeared.
    bool sendAndWait(const std::string& text, int prompts = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // On a whole terminal: until the program's line editor has taken the
    // terminal out of line mode (it shows its prompt just before), so that
    // keys sent next reach the editor as typed keys do.
    bool waitForEditing(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    void signal(int sig);
    // SIGINT, again every second, until `text` has appeared `occurrences`
    // times: a signal that comes before a command clears its stop flag is
    // lost, and a loaded machine may start the command late.
    bool interruptUntil(const std::string& text, int occurrences = 1,
                        std::chrono::milliseconds timeout = std::chrono::seconds(60));
    void closeInput();
    Result finish(std::chrono::milliseconds timeout = std::chrono::seconds(120));
    const std::string& outputSoFar() const { return out_; }
    const std::string& errorsSoFar() const { return err_; }

private:
    bool pump(std::chrono::steady_clock::time_point deadline);  // false at end of output
    void stopChild();

    std::filesystem::path root_, work_, data_, home_;
    std::map<std::string, std::string> env_;
    pid_t pid_ = -1;
    int in_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    Terminal terminal_ = Terminal::Aucun;
    std::vector<std::string> args_;
    std::filesystem::path exe_;
    std::string out_;
    std::string err_;
};

// Number of non-overlapping occurrences of `needle` in `text`.
int Compter(const std::string& text, const std::string& needle);

// Replaces the figure after every "Temps de calcul (ms) : " by "<ms>", and the
// free texts (author credit, project credit, contact address) by "<credit>".
std::string Masque(const std::string& out);

// The output from just after the first prompt: what the commands wrote, with
// every later prompt still in place ("> ").
std::string ApresDemarrage(const std::string& out);

// One vector line (X, Y, Z at columns 15, 36 and 57) as written to a pipe: the
// column moves become spaces, tabs stay, "\r\n" at the end. The numbers are
// given as the program writes them ("1.", "-0.5"). `debut` is text already on
// the line (e.g. "Particule 1\t"); it is part of the result.
std::string LigneVecteur(const std::string& x, const std::string& y, const std::string& z,
                         const std::string& debut = "");

// Windows-1252 text, as the program's libraries hold it, in the UTF-8 the
// program writes here (the tests that read the program's own tables).
std::string Utf8(std::string_view windows1252);

// Whole file contents (empty when missing).
std::string LireFichier(const std::filesystem::path& path);
void EcrireFichier(const std::filesystem::path& path, const std::string& bytes);

}  // namespace e2e

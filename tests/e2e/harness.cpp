#include "e2e/harness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iconv.h>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "shell/credits.h"  // compiled as UTF-8 here, as the program prints it

extern char** environ;

namespace e2e {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void Echouer(const std::string& what) {
    throw std::runtime_error("e2e: " + what + ": " + std::strerror(errno));
}

// The child's environment: ours, with the session's variables on top.
std::vector<std::string> Environnement(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string s = *e;
        const auto eq = s.find('=');
        if (eq != std::string::npos) vars[s.substr(0, eq)] = s.substr(eq + 1);
    }
    for (const auto& [name, value] : extra) {
        if (value.empty()) vars.erase(name); else vars[name] = value;
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : vars) out.push_back(name + "=" + value);
    return out;
}

// Reads what is ready on fd into text; false (fd closed and -1) at its end. A
// pseudo-terminal's master reports EIO once the program has closed its side:
// that is its end of output.
bool Lire(int& fd, std::string& text) {
    char buf[65536];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
        text.append(buf, static_cast<size_t>(n));
        return true;
    }
    if (n < 0 && errno == EINTR) return true;
    close(fd);
    fd = -1;
    return false;
}

void RemplacerTout(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
}

}  // namespace

fs::path DossierProgrammes() {
    const char* autre = std::getenv("GLOMERIX_E2E_BUILD");
    return autre != nullptr && *autre != '\0' ? fs::path(autre) : fs::path(GLOMERIX_BINARY_DIR);
}

fs::path Programme(const char* nom) { return DossierProgrammes() / nom; }

Session::Session() {
    std::string tmpl = (fs::temp_directory_path() / "glomerix-e2e-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) Echouer("mkdtemp");
    root_ = tmpl;
    work_ = root_ / "work";
    data_ = root_ / "data";
    home_ = root_ / "home";
    fs::create_directories(work_);
    fs::create_directories(data_);
    fs::create_directories(home_);
    env_ = {{"XDG_DATA_HOME", data_.string()}, {"HOME", home_.string()},
            {"TERM", "dumb"}, {"LC_ALL", "C"}, {"NO_COLOR", ""}, {"DISPLAY", ""}, {"XDG_STATE_HOME", ""}};
}

void Session::setTerminal(Terminal t) {
    terminal_ = t;
    // insert_or_assign: assigning a literal here trips g++ 12's -Wrestrict.
    if (t == Terminal::Erreurs) env_.insert_or_assign("TERM", std::string("xterm"));
    if (t == Terminal::Complet) {
        env_.insert_or_assign("TERM", std::string("xterm-256color"));
        env_.insert_or_assign("LC_ALL", std::string("C.UTF-8"));
        env_.insert_or_assign("NO_COLOR", std::string("1"));
    }
}

Session::~Session() {
    stopChild();
    const char* keep = std::getenv("E2E_KEEP");
    if (keep == nullptr || *keep == '\0') {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
}

void Session::start() {
    if (pid_ > 0) throw std::logic_error("e2e: session already started");
    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    int master = -1, slave = -1;
    if (terminal_ != Terminal::Aucun) {
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 24;
        if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) Echouer("openpty");
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
    if (terminal_ != Terminal::Complet) {
        if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) Echouer("pipe");
    }
    if (terminal_ == Terminal::Aucun && pipe2(errPipe, O_CLOEXEC) != 0) Echouer("pipe");
    const std::vector<std::string> env = Environnement(env_);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const std::string exe = (exe_.empty() ? Programme() : exe_).string();
    std::vector<char*> argv = {const_cast<char*>(exe.c_str())};
    for (const std::string& a : args_) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::string dir = work_.string();
    out_.clear();
    err_.clear();
    pid_ = fork();
    if (pid_ < 0) Echouer("fork");
    if (pid_ == 0) {
        if (terminal_ == Terminal::Complet) {
            setsid();  // the terminal becomes the session's: Ctrl+C typed at it signals the program
            ioctl(slave, TIOCSCTTY, 0);
            dup2(slave, 0);
            dup2(slave, 1);
            dup2(slave, 2);
        } else {
            dup2(inPipe[0], 0);
            dup2(outPipe[1], 1);
            dup2(terminal_ == Terminal::Erreurs ? slave : errPipe[1], 2);
        }
        if (chdir(dir.c_str()) != 0) _exit(126);
        execve(exe.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    for (int fd : {inPipe[0], outPipe[1], errPipe[1], slave}) {
        if (fd >= 0) close(fd);
    }
    if (terminal_ == Terminal::Complet) {
        in_ = fcntl(master, F_DUPFD_CLOEXEC, 0);
        outFd_ = master;
    } else {
        in_ = inPipe[1];
        outFd_ = outPipe[0];
        errFd_ = terminal_ == Terminal::Erreurs ? master : errPipe[0];
    }
    std::signal(SIGPIPE, SIG_IGN);  // a child that quits early must not kill the test
}

void Session::send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(in_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the child closed its input: the rest is dropped
        done += static_cast<size_t>(n);
    }
}

void Session::closeInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

bool Session::pump(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return true;
    pollfd p[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    const int r = poll(p, errFd_ >= 0 ? 2 : 1, static_cast<int>(left.count()));
    if (r <= 0) return true;
    if (errFd_ >= 0 && p[1].revents != 0) Lire(errFd_, err_);
    if (p[0].revents == 0) return true;
    const int fd = outFd_;
    if (Lire(outFd_, out_)) return true;
    outFd_ = fd;  // finish() closes it
    // The end of stdout comes when the program ends: stderr ends with it.
    while (errFd_ >= 0 && Clock::now() < deadline) {
        pollfd e{errFd_, POLLIN, 0};
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(&e, 1, static_cast<int>(std::max<long long>(reste.count(), 1))) > 0 && !Lire(errFd_, err_)) break;
    }
    return false;
}

bool Session::waitFor(const std::string& text, int occurrences, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Compter(out_, text) < occurrences) {
        if (Clock::now() >= deadline || !pump(deadline)) return Compter(out_, text) >= occurrences;
    }
    return true;
}

bool Session::waitForError(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (err_.find(text) == std::string::npos) {
        if (Clock::now() >= deadline || !pump(deadline)) return err_.find(text) != std::string::npos;
    }
    return true;
}

bool Session::startAtPrompt(std::chrono::milliseconds timeout) {
    start();
    return waitFor("> ", 1, timeout);
}

bool Session::sendAndWait(const std::string& text, int prompts, std::chrono::milliseconds timeout) {
    const int avant = Compter(out_, "> ");
    send(text);
    return waitFor("> ", avant + prompts, timeout);
}

// The master side of a pseudo-terminal reports the modes of its slave side.
bool Session::waitForEditing(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        termios mode{};
        if (terminal_ != Terminal::Complet || tcgetattr(outFd_, &mode) != 0) return false;
        if ((mode.c_lflag & ICANON) == 0) return true;
        pump(Clock::now() + std::chrono::milliseconds(2));
    }
    return false;
}

void Session::signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

bool Session::interruptUntil(const std::string& text, int occurrences, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        signal(SIGINT);
        if (waitFor(text, occurrences, std::chrono::seconds(1))) return true;
    }
    return false;
}

Result Session::finish(std::chrono::milliseconds timeout) {
    Result r;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline && pump(deadline)) {
    }
    if (Clock::now() >= deadline) {
        r.timedOut = true;
        kill(pid_, SIGKILL);
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    closeInput();
    close(outFd_);
    outFd_ = -1;
    if (errFd_ >= 0) close(errFd_);
    errFd_ = -1;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = out_;
    r.err = err_;
    return r;
}

Result Session::run(const std::string& input, std::chrono::milliseconds timeout) {
    start();
    // Write the input in the background of reading, so neither pipe fills up.
    const auto deadline = Clock::now() + timeout;
    size_t done = 0;
    while (done < input.size() && Clock::now() < deadline) {
        pollfd p[2] = {{in_, POLLOUT, 0}, {outFd_, POLLIN, 0}};
        if (poll(p, 2, 100) < 0 && errno != EINTR) Echouer("poll");
        if (p[0].revents & (POLLERR | POLLHUP)) break;
        if (p[0].revents & POLLOUT) {
            const size_t chunk = std::min<size_t>(input.size() - done, 4096);
            const ssize_t n = write(in_, input.data() + done, chunk);
            if (n > 0) done += static_cast<size_t>(n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN) break;
        }
        if (p[1].revents & (POLLIN | POLLHUP)) {
            if (!pump(deadline)) break;
        }
    }
    closeInput();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return finish(std::max(left, std::chrono::milliseconds(1)));
}

void Session::stopChild() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    closeInput();
    if (outFd_ >= 0) close(outFd_);
    outFd_ = -1;
    if (errFd_ >= 0) close(errFd_);
    errFd_ = -1;
}

int Compter(const std::string& text, const std::string& needle) {
    if (needle.empty()) return 0;
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

std::string Masque(const std::string& out) {
    std::string s = out;
    const std::string label = "Temps de calcul (ms) : ";
    for (size_t at = s.find(label); at != std::string::npos; at = s.find(label, at + 1)) {
        const size_t from = at + label.size();
        size_t to = from;
        if (to < s.size() && s[to] == '-') ++to;
        while (to < s.size() && s[to] >= '0' && s[to] <= '9') ++to;
        s.replace(from, to - from, "<ms>");
    }
    RemplacerTout(s, kCreditAuteur, "<credit>");
    RemplacerTout(s, kCreditProjet, "<credit>");
    RemplacerTout(s, kAdresseContact, "<credit>");
    return s;
}

std::string ApresDemarrage(const std::string& out) {
    const size_t at = out.find("> ");
    return at == std::string::npos ? std::string() : out.substr(at + 2);
}

std::string LigneVecteur(const std::string& x, const std::string& y, const std::string& z,
                         const std::string& debut) {
    std::string out;
    size_t colonne = 0;
    const auto aller = [&](size_t c) {
        for (; colonne < c; ++colonne) out += ' ';
    };
    const auto ecrire = [&](const std::string& texte) {
        for (char c : texte) {
            out += c;
            colonne = c == '\t' ? (colonne / 8 + 1) * 8 : colonne + 1;
        }
    };
    ecrire(debut);
    aller(15);
    ecrire("X : " + x + "\t");
    aller(36);
    ecrire("Y : " + y + "\t");
    aller(57);
    ecrire("Z : " + z + "\r\n");
    return out;
}

std::string LireFichier(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void EcrireFichier(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Utf8(std::string_view windows1252) {
    const iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv CP1252");
    std::string entree(windows1252), sortie(4 * entree.size(), '\0');
    char* in = entree.data();
    char* out = sortie.data();
    size_t resteIn = entree.size(), resteOut = sortie.size();
    const size_t r = iconv(cd, &in, &resteIn, &out, &resteOut);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw std::runtime_error("iconv: not Windows-1252");
    sortie.resize(sortie.size() - resteOut);
    return sortie;
}

}  // namespace e2e

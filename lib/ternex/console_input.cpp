// ternex_console: line, number and key input.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "ternex/console_state.h"
#include "ternex/number_format.h"
#include "ternex/ternex.h"

namespace {

// Saved terminal mode while a key read runs; read by the signal handlers.
volatile sig_atomic_t keyModeFd = -1;
termios keyModeSaved;

constexpr int kLineMax = 255;
constexpr int kIntegerMax = 50;
constexpr int kRealMax = 40;
constexpr int kBooleanMax = 50;
constexpr char kEscape = 0x1B;
constexpr int kInterrupted = -2;  // next_char: Ctrl+C during an interruptible read

bool line_end(char c) { return c == '\r' || c == '\n'; }

}  // namespace

bool ternex_take_posted(ternex_console::state& s, int echoFd) {
    char drain[64];
    while (s.wakeRead >= 0 && read(s.wakeRead, drain, sizeof drain) > 0) {
    }
    std::string posted;
    {
        std::lock_guard<std::mutex> lock(s.postedLock);
        posted.swap(s.posted);
    }
    if (posted.empty()) return false;
    std::string encoded;
    for (char c : posted) s.charset.encode(c, encoded);
    s.bytes.append(encoded);
    if (echoFd >= 0) ternex_write_all(echoFd, encoded.data(), encoded.size());
    return true;
}

namespace {

void compact(ternex_console::state& s) {
    if (s.pos > 4096 && s.pos * 2 > s.bytes.size()) {
        s.bytes.erase(0, s.pos);
        s.pos = 0;
    }
}

}  // namespace

// On a timeout or a signal, returns false without marking the end.
bool ternex_fill(ternex_console::state& s, int fd, int echoFd, int timeoutMs, bool returnOnSignal) {
    compact(s);
    for (;;) {
        if (ternex_input_closed()) s.endOfInput = true;
        if (ternex_take_posted(s, s.inputIsTerminal ? echoFd : -1)) return true;
        if (s.endOfInput) return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {s.wakeRead, POLLIN, 0}};
        const int ready = poll(fds, s.wakeRead >= 0 ? 2 : 1, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR && returnOnSignal) return false;
            if (errno == EINTR) continue;
            s.endOfInput = true;
            return false;
        }
        if (ready == 0) return false;
        if (fds[0].revents == 0) {  // woken by post_char, or for a signal
            if (returnOnSignal) return ternex_take_posted(s, s.inputIsTerminal ? echoFd : -1);
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            s.bytes.append(buffer, static_cast<size_t>(n));
            return true;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        s.endOfInput = true;
        return false;
    }
}

namespace {

// Virtual-key code of a terminal key sequence (after ESC '[' or ESC 'O'):
// parameter digits and the final byte.
char virtual_key(int parameter, char final) {
    switch (final) {
        case 'A': return 0x26;  // up
        case 'B': return 0x28;  // down
        case 'C': return 0x27;  // right
        case 'D': return 0x25;  // left
        case 'H': return 0x24;  // home
        case 'F': return 0x23;  // end
        case 'P': return 0x70;  // F1 .. F4
        case 'Q': return 0x71;
        case 'R': return 0x72;
        case 'S': return 0x73;
        case '~': break;
        default: return kEscape;
    }
    static const struct { int parameter; char key; } tilde[] = {
        {1, 0x24}, {2, 0x2D}, {3, 0x2E}, {4, 0x23}, {5, 0x21}, {6, 0x22}, {7, 0x24}, {8, 0x23},
        {11, 0x70}, {12, 0x71}, {13, 0x72}, {14, 0x73}, {15, 0x74}, {17, 0x75}, {18, 0x76},
        {19, 0x77}, {20, 0x78}, {21, 0x79}, {23, 0x7A}, {24, 0x7B}};
    for (const auto& t : tilde)
        if (t.parameter == parameter) return t.key;
    return kEscape;
}

}  // namespace

void ternex_restore_terminal() {
    const int fd = keyModeFd;
    if (fd >= 0) {
        tcsetattr(fd, TCSANOW, &keyModeSaved);
        keyModeFd = -1;
    }
}

// ---------------------------------------------------------------------------
// Characters and lines

int ternex_console::next_char(bool convert) {
    state& s = *st;
    for (;;) {
        if (s.outputFailed.load(std::memory_order_relaxed) || ternex_input_closed()) return -1;
        const size_t avail = s.bytes.size() - s.pos;
        if (avail == 0) {
            if (ternex_fill(s, inputFd, outputFd, -1, s.interruptible)) continue;
            if (!s.interruptible || s.endOfInput) return -1;
            if (ternex_interrupts() != s.interruptsSeen) return kInterrupted;
            continue;
        }
        if (!convert) return static_cast<unsigned char>(s.bytes[s.pos++]);
        int c = -1;
        const size_t used = s.charset.decode(s.bytes.data() + s.pos, avail, s.endOfInput, &c);
        if (used == 0) {
            ternex_fill(s, inputFd, outputFd);
            continue;
        }
        s.pos += used;
        if (c >= 0) return c;
    }
}

// Up to max characters, stopping after a line feed; then the line-end cut.
int ternex_console::read_raw_line(char* buffer, int max, bool convert, bool* endOfInput) {
    int count = 0;
    bool ended = false;
    while (count < max) {
        const int c = next_char(convert);
        if (c < 0) {
            ended = count == 0;
            break;
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (endOfInput != nullptr) *endOfInput = ended;
    // The terminal echoed the line end: the cursor is back at column 0.
    if (count > 0 && buffer[count - 1] == '\n' && st->inputIsTerminal) trackedColumn.store(0, std::memory_order_relaxed);
    int length = count;
    if (count >= 2 && line_end(buffer[count - 2])) length = count - 2;
    else if (count >= 1 && line_end(buffer[count - 1])) length = count - 1;
    buffer[length] = '\0';
    return count;
}

int ternex_console::read_line(char* buffer, int max, bool* endOfInput) {
    if (max < 0) max = 0;
    return read_raw_line(buffer, max, true, endOfInput);
}

namespace {

// Skips the input up to and with the next line end, without converting it:
// the charsets the console reads all end lines with the byte 0x0A, which no
// longer sequence contains. -1 at the end of the input, kInterrupted on
// Ctrl+C during an interruptible read, else 0.
int skip_to_line_end(ternex_console::state& s, int fd, int echoFd) {
    for (;;) {
        if (s.outputFailed.load(std::memory_order_relaxed) || ternex_input_closed()) return -1;
        const char* from = s.bytes.data() + s.pos;
        const void* end = std::memchr(from, '\n', s.bytes.size() - s.pos);
        if (end != nullptr) {
            s.pos += static_cast<size_t>(static_cast<const char*>(end) - from) + 1;
            return 0;
        }
        s.pos = s.bytes.size();
        if (ternex_fill(s, fd, echoFd, -1, s.interruptible)) continue;
        if (!s.interruptible || s.endOfInput) return -1;
        if (ternex_interrupts() != s.interruptsSeen) return kInterrupted;
    }
}

}  // namespace

// The line to its end, whatever its length; the line-end cut of read_line.
int ternex_console::read_whole_line(char* buffer, int max, ternex_line_status& status) {
    std::string text;  // the first max + 2 characters: enough to apply the cut
    size_t received = 0;
    char last = 0, beforeLast = 0;
    for (;;) {
        // max + 2 characters and no line end yet: at least max + 1 before
        // the line's end, so it is refused whatever follows.
        const bool refused = text.size() == static_cast<size_t>(max) + 2 && last != '\n';
        const int c = refused ? skip_to_line_end(*st, inputFd, outputFd) : next_char(true);
        if (c == kInterrupted) {
            status.interrupted = true;
            buffer[0] = '\0';
            return 0;
        }
        if (refused) {
            status.tooLong = true;
            if (c == 0 && st->inputIsTerminal) trackedColumn.store(0, std::memory_order_relaxed);
            buffer[0] = '\0';
            return 0;
        }
        if (c < 0) break;
        ++received;
        if (text.size() < static_cast<size_t>(max) + 2) text += static_cast<char>(c);
        beforeLast = last;
        last = static_cast<char>(c);
        if (c == '\n') break;
    }
    status.endOfInput = received == 0;
    if (last == '\n' && st->inputIsTerminal) trackedColumn.store(0, std::memory_order_relaxed);
    size_t length = received;
    if (received >= 2 && line_end(beforeLast)) length = received - 2;
    else if (received >= 1 && line_end(last)) length = received - 1;
    status.tooLong = length > static_cast<size_t>(max);
    if (status.tooLong) length = 0;
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int ternex_console::read_command_line(char* buffer, int max, const ternex_line_options& options,
                                      ternex_line_status* status) {
    ternex_line_status ignored;
    ternex_line_status& s = status != nullptr ? *status : ignored;
    s = {};
    if (max < 0) max = 0;
    // The prompt, the editor's too, on a line of its own after a "^C"; the
    // Ctrl+C of the line being read is the reading's to show.
    if (st->outputIsTerminal && ternex_leave_interrupt_echo(*st, outputFd)) trackedColumn.store(0);
    struct passed {
        ternex_console::state& st;
        ~passed() { st.interruptsPassed.store(ternex_interrupts()); }
    } afterwards{*st};
    if (st->editing) return read_edited_line(buffer, max, options, s);
    if (options.prompt != nullptr) {
        set_text_attribute(options.promptAttribute);
        write(options.prompt);
        set_text_attribute(options.textAttribute);
    }
    // From a terminal, Ctrl+C abandons the line (the terminal has dropped it).
    st->interruptible = st->inputIsTerminal;
    st->interruptsSeen = ternex_interrupts();
    if (st->interruptible) ternex_wake_on_interrupt(st->wakeWrite);
    const int length = read_whole_line(buffer, max, s);
    if (st->interruptible) ternex_wake_on_interrupt(-1);
    st->interruptible = false;
    st->interruptsPassed.store(ternex_interrupts());
    // Ctrl+D, or Ctrl+C, on a terminal: the cursor goes to a new line, as after Enter.
    if ((s.endOfInput || s.interrupted) && st->inputIsTerminal && st->outputIsTerminal) write("\n");
    return length;
}

bool ternex_console::line_editing() const { return st->editing; }
bool ternex_console::input_is_terminal() const { return st->inputIsTerminal; }

generic_ternex& ternex_console::read(char* buffer) {
    read_line(buffer, kLineMax);
    return *this;
}

generic_ternex& ternex_console::read(char& c) {
    char line[kLineMax + 1];
    read_line(line, kLineMax);
    c = line[0];
    return *this;
}

generic_ternex& ternex_console::read(long long& value) {
    char line[kIntegerMax + 1];
    read_raw_line(line, kIntegerMax, false, nullptr);
    value = ternex_text::parse_integer(line);
    return *this;
}

generic_ternex& ternex_console::read(int& value) {
    char line[kIntegerMax + 1];
    read_raw_line(line, kIntegerMax, false, nullptr);
    const long long v = ternex_text::parse_integer(line);
    value = v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v));
    return *this;
}

generic_ternex& ternex_console::read(long& value) {
    char line[kLineMax + 1];
    read_raw_line(line, kLineMax, false, nullptr);
    value = static_cast<long>(ternex_text::parse_integer(line));
    return *this;
}

generic_ternex& ternex_console::read(double& value) {
    char line[kRealMax + 1];
    read_raw_line(line, kRealMax, false, nullptr);
    value = ternex_text::parse_real(line);
    return *this;
}

generic_ternex& ternex_console::read(float& value) {
    double v = 0.0;
    read(v);
    value = static_cast<float>(v);
    return *this;
}

generic_ternex& ternex_console::read(bool& value) {
    char line[kBooleanMax + 1];
    read_line(line, kBooleanMax);
    value = ternex_text::parse_boolean(line);
    return *this;
}

// ---------------------------------------------------------------------------
// Keys

void ternex_console::post_char(char c) {
    if (c == '\r') c = '\n';  // Enter ends the line being read
    {
        std::lock_guard<std::mutex> lock(st->postedLock);
        st->posted += c;
    }
    if (st->wakeWrite >= 0) {
        const char one = 1;
        while (::write(st->wakeWrite, &one, 1) < 0 && errno == EINTR) {
        }
    }
}

namespace {

// Switches the terminal to single keys without echo (Enter gives '\r', as a
// key does); false when fd is no terminal. Signals stay on: Ctrl+C is an event.
bool enter_key_mode(int fd) {
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) return false;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    keyModeSaved = saved;
    keyModeFd = fd;
    return tcsetattr(fd, TCSANOW, &raw) == 0;
}

// After ESC at s.pos: an arrow or function key's sequence gives its
// virtual-key code; ESC alone (nothing follows within 30 ms) gives ESC.
char escape_key(ternex_console::state& s, int fd, int echoFd) {
    ++s.pos;
    if (s.pos == s.bytes.size()) ternex_fill(s, fd, echoFd, 30);
    if (s.pos == s.bytes.size() || (s.bytes[s.pos] != '[' && s.bytes[s.pos] != 'O')) return kEscape;
    ++s.pos;
    int parameter = 0;  // the first one; modifiers after ';' are ignored
    bool first = true;
    for (;;) {
        if (s.pos == s.bytes.size() && !ternex_fill(s, fd, echoFd, 30)) return kEscape;
        const char b = s.bytes[s.pos++];
        if (b == ';') first = false;
        else if (!std::isdigit(static_cast<unsigned char>(b))) return virtual_key(parameter, b);
        else if (first && parameter < 1000) parameter = parameter * 10 + (b - '0');
    }
}

}  // namespace

char ternex_console::read_key() {
    state& s = *st;
    if (s.outputFailed.load(std::memory_order_relaxed) || ternex_input_closed()) return '\0';
    const bool keyMode = s.inputIsTerminal && enter_key_mode(inputFd);
    char key = '\0';
    if (s.pos < s.bytes.size() || ternex_fill(s, inputFd, outputFd)) {
        if (keyMode && s.bytes[s.pos] == kEscape) {
            key = escape_key(s, inputFd, outputFd);
        } else {
            const int c = next_char(true);
            key = c < 0 ? '\0' : static_cast<char>(c);
        }
    }
    if (keyMode) ternex_restore_terminal();
    return key;
}

char ternex_console::read_char() { return read_key(); }

// Echoes each key and hands it to destination until Enter (or the end).
generic_ternex& ternex_console::copy_to(generic_ternex& destination) {
    for (;;) {
        const char c = read_key();
        if (c == '\0' || line_end(c)) break;
        write(c);
        destination.write(c);
    }
    write(ternex_endl);
    return *this;
}

// ternex_console: life cycle, output and the terminal controls.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "ternex/console_state.h"
#include "ternex/number_format.h"
#include "ternex/ternex.h"

ternex_console console;

namespace {

// Instances alive; the first adopts the locale, the last leaves the terminal
// as it found it. Main thread only.
int instanceCount = 0;

constexpr int kFallbackColumns = 80;
constexpr int kFallbackRows = 25;
constexpr int kMaxColumn = 32767;  // coordinates are 16-bit

bool dumb_terminal() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::strcmp(term, "dumb") == 0;
}

bool terminal_takes_escapes(int fd) {
    if (!isatty(fd)) return false;
    if (std::getenv("NO_COLOR") != nullptr) return false;
    return !dumb_terminal();
}

// Opens /dev/null on each of descriptors 0 to 2 that is closed.
void reserve_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

// The descriptor the pushed title is popped on; -1 when none was pushed.
volatile sig_atomic_t titleFd = -1;
constexpr char kPushTitle[] = "\x1b[22;0t";
constexpr char kPopTitle[] = "\x1b[23;0t";

// Windows attribute colour bits (1 blue, 2 green, 4 red) to the ANSI order.
int ansi_colour(int bits) { return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0); }

template <typename T>
size_t to_decimal(char* out, size_t size, T value) {
    return static_cast<size_t>(std::to_chars(out, out + size, value).ptr - out);
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

ternex_console::ternex_console() { initialise(); }

ternex_console::ternex_console(int inFd, int outFd, const char* charset, int errFd)
    : inputFd(inFd), outputFd(outFd), errorFd(errFd), charsetName(charset) {
    initialise();
}

ternex_console::~ternex_console() {
    if (escapes && currentAttribute != 7) write_raw("\x1b[0m", 4);
    clear_status();
    if (st->titleSaved) ternex_restore_title();
    ternex_restore_terminal();
    ternex_no_wake_on_close(st->wakeWrite);
    --instanceCount;
}

// The standard descriptors are never closed: other parts of the process may
// still write to them while static objects are being destroyed.
void ternex_console::initialise() {
    if (instanceCount++ == 0) {
        ternex_adopt_locale();
        reserve_standard_descriptors();
    }
    st = std::make_unique<state>(charsetName);
    st->inputIsTerminal = isatty(inputFd) != 0;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        st->wakeRead = fds[0];
        st->wakeWrite = fds[1];
        ternex_wake_on_close(st->wakeWrite);
    }
    escapes = terminal_takes_escapes(outputFd);
    st->outputIsTerminal = isatty(outputFd) != 0;
    st->editing = st->inputIsTerminal && st->outputIsTerminal && !dumb_terminal();
    st->statusAvailable = isatty(errorFd) != 0 && !dumb_terminal();
    st->interruptsPassed.store(ternex_interrupts());
    currentAttribute = 7;
    trackedColumn.store(0, std::memory_order_relaxed);
    precision = 10;
}

void ternex_console::input_replaced() { st->inputIsTerminal = isatty(inputFd) != 0; }

// ---------------------------------------------------------------------------
// Output

bool ternex_write_all(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, bytes, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return false;
            pollfd ready{fd, POLLOUT, 0};
            poll(&ready, 1, -1);
            continue;
        }
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void ternex_restore_title() {
    const int fd = titleFd;
    if (fd < 0) return;
    titleFd = -1;
    ternex_write_all(fd, kPopTitle, sizeof kPopTitle - 1);
}

// Writes report no failure; the first one ends the input instead, and later
// writes are not attempted.
void ternex_console::write_raw(const char* bytes, size_t length) {
    if (st->outputFailed.load(std::memory_order_relaxed)) return;
    if (st->statusShown.load(std::memory_order_relaxed)) clear_status();
    if (st->outputIsTerminal && ternex_leave_interrupt_echo(*st, outputFd)) {
        trackedColumn.store(0, std::memory_order_relaxed);
    }
    if (!ternex_write_all(outputFd, bytes, length)) st->outputFailed.store(true);
}

// ECHOCTL shows Ctrl+C as "^C"; without it (or without echo) nothing is shown.
bool ternex_leave_interrupt_echo(ternex_console::state& s, int outputFd) {
    const unsigned now = ternex_interrupts();
    if (s.interruptsPassed.exchange(now) == now) return false;
    termios mode{};
    if (tcgetattr(outputFd, &mode) != 0 || (mode.c_lflag & ECHO) == 0 || (mode.c_lflag & ECHOCTL) == 0) return false;
    return ternex_write_all(outputFd, "\n", 1);
}

void ternex_console::advance(const char* text, size_t length) {
    int c = trackedColumn.load(std::memory_order_relaxed);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\r' || text[i] == '\n') c = 0;
        else if (text[i] == '\t') c = (c / 8 + 1) * 8;
        else ++c;
    }
    trackedColumn.store(c, std::memory_order_relaxed);
}

void ternex_console::write_converted(const char* text, size_t length) {
    std::string out;
    out.reserve(length + length / 4);
    for (size_t i = 0; i < length; ++i) st->charset.encode(text[i], out);
    write_raw(out.data(), out.size());
    advance(text, length);
}

generic_ternex& ternex_console::write(const char* text) {
    if (text != nullptr) write_converted(text, std::strlen(text));
    return *this;
}

generic_ternex& ternex_console::write(char c) {
    write_converted(&c, 1);
    return *this;
}

generic_ternex& ternex_console::write(bool value) {
    return write(value ? "true" : "false");
}

generic_ternex& ternex_console::write(double value) {
    char text[ternex_text::kDoubleTextSize];
    write_number(text, ternex_text::format_double(value, precision, text));
    return *this;
}

generic_ternex& ternex_console::write(float value) { return write(static_cast<double>(value)); }

generic_ternex& ternex_console::write(long long value) {
    char text[24] = {};
    write_number(text, to_decimal(text, sizeof text, value));
    return *this;
}

generic_ternex& ternex_console::write(int value) { return write(static_cast<long long>(value)); }
generic_ternex& ternex_console::write(long value) { return write(static_cast<long long>(value)); }

generic_ternex& ternex_console::write(unsigned int value) {
    char text[24] = {};
    write_number(text, to_decimal(text, sizeof text, value));
    return *this;
}

generic_ternex& ternex_console::write(unsigned long value) {
    char text[24] = {};
    write_number(text, to_decimal(text, sizeof text, value));
    return *this;
}

bool ternex_console::set_precision(int digits) {
    if (digits < 2 || digits > 19) return false;
    precision = digits;
    return true;
}

// ---------------------------------------------------------------------------
// Terminal controls

// Grey on black is the console's default: it maps to the terminal's own
// default colours, so a light-themed terminal keeps its background.
std::string ternex_sgr(uint16_t attribute) {
    const int fg = attribute & 0x0F, bg = (attribute >> 4) & 0x0F;
    char text[32];
    size_t n = 0;
    std::memcpy(text, "\x1b[0;", 4);
    n = 4;
    n += to_decimal(text + n, sizeof text - n, fg == 7 ? 39 : ((fg & 8) ? 90 : 30) + ansi_colour(fg));
    text[n++] = ';';
    n += to_decimal(text + n, sizeof text - n, bg == 0 ? 49 : ((bg & 8) ? 100 : 40) + ansi_colour(bg));
    text[n++] = 'm';
    return std::string(text, n);
}

bool ternex_console::set_text_attribute(uint16_t attribute) {
    currentAttribute = attribute;
    if (!escapes) return true;
    const std::string sgr = ternex_sgr(attribute);
    write_raw(sgr.data(), sgr.size());
    return true;
}

bool ternex_console::set_cursor_column(int target) {
    if (target < 0 || target > kMaxColumn) return false;
    if (escapes) {
        char text[16] = "\x1b[";
        size_t n = 2 + to_decimal(text + 2, sizeof text - 2, target + 1);
        text[n++] = 'G';
        write_raw(text, n);
        trackedColumn.store(target, std::memory_order_relaxed);
        return true;
    }
    const int from = trackedColumn.load(std::memory_order_relaxed);
    if (from < target) {
        const std::string spaces(static_cast<size_t>(target - from), ' ');
        write_raw(spaces.data(), spaces.size());
        trackedColumn.store(target, std::memory_order_relaxed);
    }
    return true;
}

bool ternex_console::clear_screen() {
    if (escapes) {
        static const char kClear[] = "\x1b[2J\x1b[H";
        write_raw(kClear, sizeof kClear - 1);
        trackedColumn.store(0, std::memory_order_relaxed);
    }
    return true;
}

// OSC 0; control characters are left out so that they cannot end it early.
bool ternex_console::set_title(const char* text) {
    if (!escapes || text == nullptr) return true;
    std::string out;
    if (!st->titleSaved && titleFd < 0) {
        out = kPushTitle;
        st->titleSaved = true;
        titleFd = outputFd;
    }
    out += "\x1b]0;";
    for (const char* p = text; *p != '\0'; ++p)
        if (static_cast<unsigned char>(*p) >= 0x20 && *p != 0x7F) st->charset.encode(*p, out);
    out += '\a';
    write_raw(out.data(), out.size());
    return true;
}

bool ternex_console::get_buffer_size(int& columns, int& rows) {
    winsize ws{};
    if (ioctl(outputFd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        columns = ws.ws_col;
        rows = ws.ws_row;
    } else {
        columns = kFallbackColumns;
        rows = kFallbackRows;
    }
    return true;
}

bool ternex_console::get_window_rect(int& left, int& top, int& right, int& bottom) {
    int columns = 0, rows = 0;
    get_buffer_size(columns, rows);
    left = 0;
    top = 0;
    right = columns - 1;
    bottom = rows - 1;
    return true;
}

// A terminal's size belongs to its user: the setters change nothing.
bool ternex_console::set_buffer_size(int, int) { return true; }
bool ternex_console::set_window_rect(int, int, int, int) { return true; }
bool ternex_console::set_window_size(int, int) { return true; }

// ---------------------------------------------------------------------------
// Stream operations without a meaning on a console

bool ternex_console::seek(long) { return false; }
bool ternex_console::at_end() { return false; }
int ternex_console::tell() { return -1; }
void ternex_console::reset() { clear_screen(); }
generic_ternex& ternex_console::replace_with(generic_ternex& source) { return assign(source); }

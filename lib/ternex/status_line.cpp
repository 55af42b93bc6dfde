// ternex_console: warnings and the status line, both on the error output.
#include <sys/ioctl.h>

#include <cstring>

#include "ternex/console_state.h"
#include "ternex/ternex.h"

namespace {

constexpr char kEraseLine[] = "\r\x1b[K";

}  // namespace

void ternex_console::warn(const char* text) {
    if (text == nullptr) return;
    clear_status();
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) st->charset.encode(*p, out);
    out += '\n';
    ternex_write_all(errorFd, out.data(), out.size());
}

bool ternex_console::status_line_available() const { return st->statusAvailable; }

// Cut one column short of the width: a line that fills the last column would
// wrap on some terminals, and "\r" would then erase only its last row.
void ternex_console::show_status(const char* text) {
    if (!st->statusAvailable || text == nullptr) return;
    // Not over a line being written on the same screen (the viewer thread
    // writes too): "\r" would go back over it.
    if (st->outputIsTerminal && output_column() != 0) return;
    winsize ws{};
    size_t width = 79;
    if (ioctl(errorFd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1) width = ws.ws_col - 1u;
    std::string out = "\r";
    const size_t length = std::min(std::strlen(text), width);
    for (size_t i = 0; i < length; ++i) st->charset.encode(text[i], out);
    out += "\x1b[K";
    std::lock_guard<std::mutex> lock(st->statusLock);
    ternex_write_all(errorFd, out.data(), out.size());
    st->statusShown.store(true, std::memory_order_relaxed);
    st->interruptsPassed.store(ternex_interrupts());  // the line, "^C" included, is written over
}

void ternex_console::clear_status() {
    if (!st->statusShown.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> lock(st->statusLock);
    if (!st->statusShown.exchange(false, std::memory_order_relaxed)) return;
    ternex_write_all(errorFd, kEraseLine, sizeof kEraseLine - 1);
    st->interruptsPassed.store(ternex_interrupts());
}

// Console control events: SIGINT (Ctrl+C), SIGQUIT (Ctrl+\, the terminal's
// Ctrl+Break), SIGHUP (terminal closed) and SIGTERM (shutdown).
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "ternex/console_state.h"
#include "ternex/ternex.h"

namespace {

std::atomic<bool> inputClosed{false};
std::atomic<int> closeWakeFd{-1};

constexpr int kMaxHandlers = 8;
std::atomic<ternex_ctrl_handler> handlers[kMaxHandlers];
std::atomic<int> handlerCount{0};
std::atomic<bool> installed{false};

constexpr struct {
    int signal;
    int event;
} kEvents[] = {
    {SIGINT, CTRL_C_EVENT},
    {SIGQUIT, CTRL_BREAK_EVENT},
    {SIGHUP, CTRL_CLOSE_EVENT},
    {SIGTERM, CTRL_SHUTDOWN_EVENT},
};

// Runs in signal context. Handlers are asked from the last registered to the
// first until one returns true; when none does, the signal's default action
// ends the process.
void on_signal(int sig) {
    int event = CTRL_C_EVENT;
    for (const auto& e : kEvents)
        if (e.signal == sig) event = e.event;
    if (sig == SIGINT) ternex_note_interrupt();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        ternex_restore_terminal();
        ternex_restore_title();
    }
    for (int i = handlerCount.load() - 1; i >= 0; --i) {
        const ternex_ctrl_handler h = handlers[i].load();
        if (h != nullptr && h(event)) return;
    }
    ternex_restore_terminal();
    signal(sig, SIG_DFL);
    raise(sig);  // blocked until this handler returns, then the default action
}

bool install() {
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigfillset(&action.sa_mask);
    // A read waiting at the prompt goes on waiting after Ctrl+C; loops that
    // must stop poll what the handler records.
    action.sa_flags = SA_RESTART;
    for (const auto& e : kEvents)
        if (sigaction(e.signal, &action, nullptr) != 0) return false;
    return true;
}

}  // namespace

void ternex_close_input() {
    inputClosed.store(true);
    const int fd = closeWakeFd.load();
    const char one = 1;
    if (fd >= 0 && write(fd, &one, 1) < 0) {
    }
}

bool ternex_input_closed() { return inputClosed.load(std::memory_order_relaxed); }
void ternex_wake_on_close(int fd) { closeWakeFd.store(fd); }
void ternex_no_wake_on_close(int fd) { closeWakeFd.compare_exchange_strong(fd, -1); }

bool ternex_console::set_ctrl_handler(ternex_ctrl_handler handler) {
    if (handler == nullptr) return false;
    const int n = handlerCount.load();
    if (n >= kMaxHandlers) return false;
    handlers[n].store(handler);
    handlerCount.store(n + 1);
    if (!installed.load()) {
        if (!install()) return false;
        installed.store(true);
    }
    return true;
}

// What a ternex_console keeps beside its public fields: the charset tables,
// the input buffer, characters posted by other threads and the key mode.
#pragma once

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

#include "ternex/charset.h"
#include "ternex/ternex.h"

struct ternex_console::state {
    explicit state(const char* charsetName) : charset(charsetName) {}
    ~state() {
        if (wakeRead >= 0) close(wakeRead);
        if (wakeWrite >= 0) close(wakeWrite);
    }
    state(const state&) = delete;
    state& operator=(const state&) = delete;

    ternex_charset charset;

    // Input bytes in the terminal's charset; [pos, size) not yet read.
    std::string bytes;
    size_t pos = 0;
    bool endOfInput = false;  // the descriptor reported its end or failed
    std::atomic<bool> outputFailed{false};  // a write to the output failed: reads end too
    bool inputIsTerminal = false;

    // post_char: characters queued under postedLock; one byte per character
    // on the wake pipe wakes a blocked read.
    std::mutex postedLock;
    std::string posted;
    int wakeRead = -1;
    int wakeWrite = -1;
};

// Puts the terminal back in the mode saved before a key read; safe in a
// signal handler. Does nothing when no key read is under way.
void ternex_restore_terminal();

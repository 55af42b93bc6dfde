// What a ternex_console keeps beside its public fields: the charset tables,
// the input buffer, characters posted by other threads and the key mode.
#pragma once

#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "ternex/charset.h"
#include "ternex/ternex.h"

struct ternex_line_editor;  // line_editor.cpp

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
    bool outputIsTerminal = false;

    // post_char: characters queued under postedLock; one byte per character
    // on the wake pipe wakes a blocked read.
    std::mutex postedLock;
    std::string posted;
    int wakeRead = -1;
    int wakeWrite = -1;

    // The line editor, made at the first edited line; null on pipes.
    std::unique_ptr<ternex_line_editor, void (*)(ternex_line_editor*)> editor{nullptr, nullptr};
    bool editing = false;  // output and input are terminals, TERM is not "dumb"

    // A status line shown on the error output, erased before anything else is written.
    bool statusAvailable = false;  // the error output is a terminal, TERM is not "dumb"
    std::atomic<bool> statusShown{false};
    std::mutex statusLock;

    bool titleSaved = false;  // this stream pushed the terminal's title

    // A line read from a terminal without the editor: Ctrl+C abandons it.
    bool interruptible = false;
    unsigned interruptsSeen = 0;

    // Ctrl+C typed while no line is read is echoed "^C" by the terminal where
    // the cursor stands: the interrupts (ternex_interrupts) whose echo the
    // output has moved past, by a line end or by writing over that line.
    std::atomic<unsigned> interruptsPassed{0};
};

// Before output to a terminal: a line end when a Ctrl+C was echoed since the
// last output, so that what follows starts on a line of its own. True when
// it wrote one.
bool ternex_leave_interrupt_echo(ternex_console::state& s, int outputFd);

// Moves characters queued by post_char into s.bytes, in the terminal's
// charset, echoing them to echoFd unless it is negative; true if there were any.
bool ternex_take_posted(ternex_console::state& s, int echoFd);

// The escape sequence that selects a character attribute's colours.
std::string ternex_sgr(uint16_t attribute);

// Waits for input on fd and appends it to s.bytes (posted characters too,
// echoed to echoFd when the input is a terminal, as a terminal echoes what is
// typed); false at the end of input, on a timeout (timeoutMs >= 0) and, with
// returnOnSignal, when a signal interrupted the wait or woke it through the
// wake pipe (ternex_note_interrupt).
bool ternex_fill(ternex_console::state& s, int fd, int echoFd, int timeoutMs = -1, bool returnOnSignal = false);

// Writes every byte; false when a write fails.
bool ternex_write_all(int fd, const char* bytes, size_t length);

// SIGINT noted by the signal handler, for a line being read from a terminal:
// counts it and wakes the read through the descriptor set by
// ternex_wake_on_interrupt (-1: none). Safe in a signal handler.
void ternex_note_interrupt();
unsigned ternex_interrupts();
void ternex_wake_on_interrupt(int fd);

// Whether ternex_close_input was called; the wake pipe it writes to (the
// last console made registers its own, and takes it back when it ends).
bool ternex_input_closed();
void ternex_wake_on_close(int fd);
void ternex_no_wake_on_close(int fd);

// Pops the terminal title pushed by set_title, if any; safe in a signal handler.
void ternex_restore_title();

// Puts the terminal back in the mode saved before a key read; safe in a
// signal handler. Does nothing when no key read is under way.
void ternex_restore_terminal();

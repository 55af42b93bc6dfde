// A pseudo-terminal whose slave side is a console's input and output, for the
// tests of what the console does on a terminal.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "ternex/ternex.h"

class ternexTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        termios mode{};
        tcgetattr(slave_, &mode);
        mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // bytes as written
        tcsetattr(slave_, TCSANOW, &mode);
        winsize size{};
        size.ws_col = 132;
        size.ws_row = 43;
        ioctl(master_, TIOCSWINSZ, &size);
        unsetenv("NO_COLOR");
        setenv("TERM", "xterm", 1);
    }
    void TearDown() override {
        if (typist_.joinable()) typist_.join();
        console_.reset();
        close(master_);
        close(slave_);
    }
    ternex_console& open(int errorFd = 2) {
        console_.reset();
        console_ = std::make_unique<ternex_console>(slave_, slave_, "UTF-8", errorFd);
        return *console_;
    }
    // What the terminal received so far: for output written by this thread,
    // which is there already when the call returns.
    std::string screen() {
        std::string text;
        char buffer[4096];
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, 50) > 0) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    // What the terminal received until `text` is among it (another thread
    // writes it), or until a generous deadline.
    std::string screen_until(const std::string& text) {
        std::string seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char buffer[4096];
        while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            seen.append(buffer, static_cast<size_t>(n));
        }
        return seen;
    }
    void type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }
    // Runs `act` once a read has switched the terminal out of line mode (a key
    // read, or the line editor), as a person types: keys typed earlier would
    // be echoed and edited by the line discipline.
    template <typename Act>
    void when_reading(Act act) {
        if (typist_.joinable()) typist_.join();
        typist_ = std::thread([this, act] {
            wait_for_reading();
            act();
        });
    }
    // Until the terminal leaves line mode (a minute at most: a loaded machine
    // may keep the reading thread waiting).
    void wait_for_reading() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            termios mode{};
            tcgetattr(slave_, &mode);
            if ((mode.c_lflag & ICANON) == 0) return;
            usleep(1000);
        }
    }
    void type_during_key_read(const std::string& keys) {
        when_reading([this, keys] { type(keys); });
    }

    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<ternex_console> console_;
    std::thread typist_;
};

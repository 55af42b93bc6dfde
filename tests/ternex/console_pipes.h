// A console on pipes: the input is given whole, the output is read back.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "ternex/ternex.h"

class ConsoleOnPipes {
public:
    explicit ConsoleOnPipes(const std::string& input = "", const char* charset = "UTF-8", bool closeInput = true) {
        if (pipe(in_) != 0 || pipe(out_) != 0) throw std::runtime_error("pipe");
        fcntl(out_[0], F_SETFL, O_NONBLOCK);
        feed(input);
        if (closeInput) close_input();
        console_ = std::make_unique<ternex_console>(in_[0], out_[1], charset);
    }
    ~ConsoleOnPipes() {
        console_.reset();
        for (int fd : {in_[0], in_[1], out_[0], out_[1]})
            if (fd >= 0) close(fd);
    }

    ternex_console& operator*() { return *console_; }
    ternex_console* operator->() { return console_.get(); }

    void feed(const std::string& bytes) {
        if (!bytes.empty() && ::write(in_[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("feed");
    }
    void close_input() {
        close(in_[1]);
        in_[1] = -1;
    }

    // Everything written since the last call.
    std::string output() {
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = read(out_[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
        return text;
    }

private:
    int in_[2] = {-1, -1};
    int out_[2] = {-1, -1};
    std::unique_ptr<ternex_console> console_;
};

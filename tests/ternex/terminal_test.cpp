// The console on a pseudo-terminal: escape sequences, geometry, keys; and the
// control events.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>

#include "ternex/pseudo_terminal.h"
#include "ternex/ternex.h"

namespace {

TEST_F(ternexTerminal, ColoursAsSgr) {
    ternex_console& c = open();
    c.set_text_attribute(15);
    c.write("> ");
    c.set_text_attribute(7);
    c.set_text_attribute(0x1C);  // light red on blue
    c.set_text_attribute(0x8A);  // light green on dark grey
    EXPECT_EQ(screen(), "\x1b[0;97;49m> \x1b[0;39;49m\x1b[0;91;44m\x1b[0;92;100m");
}

// The terminal's own title is pushed before the first title is set, and
// popped when the stream ends.
TEST_F(ternexTerminal, ColumnClearAndTitle) {
    ternex_console& c = open();
    c.write("abc");
    EXPECT_TRUE(c.set_cursor_column(10));
    EXPECT_TRUE(c.clear_screen());
    EXPECT_TRUE(c.set_title("Glomerix \xE9\a"));
    EXPECT_EQ(screen(), "abc\x1b[11G\x1b[2J\x1b[H\x1b[22;0t\x1b]0;Glomerix \xC3\xA9\a");
    EXPECT_TRUE(c.set_title("Autre"));
    EXPECT_EQ(screen(), "\x1b]0;Autre\a");
    console_.reset();
    EXPECT_EQ(screen(), "\x1b[23;0t");
}

TEST_F(ternexTerminal, NoColourOrDumbTerminalMeansPlainText) {
    setenv("NO_COLOR", "", 1);
    {
        ternex_console& c = open();
        c.set_text_attribute(15);
        c.write("a");
        c.set_cursor_column(3);
        c.clear_screen();
        EXPECT_EQ(screen(), "a  ");
    }
    unsetenv("NO_COLOR");
    setenv("TERM", "dumb", 1);
    ternex_console& c = open();
    c.set_text_attribute(15);
    c.set_title("t");
    c.write("b");
    EXPECT_EQ(screen(), "b");
}

TEST_F(ternexTerminal, GeometryIsTheTerminalSize) {
    ternex_console& c = open();
    int columns = 0, rows = 0, left = -1, top = -1, right = 0, bottom = 0;
    EXPECT_TRUE(c.get_buffer_size(columns, rows));
    EXPECT_EQ(columns, 132);
    EXPECT_EQ(rows, 43);
    EXPECT_TRUE(c.set_window_size(80, 25));
    EXPECT_TRUE(c.get_window_rect(left, top, right, bottom));
    EXPECT_EQ(right, 131);
    EXPECT_EQ(bottom, 42);
    EXPECT_EQ(left + top, 0);
}

TEST_F(ternexTerminal, KeysWithoutEchoAndModeRestored) {
    ternex_console& c = open();
    type_during_key_read("q\xC3\xA9\x1b[A\x1b[B\x1bOP\x1b[15~\x1b[1;5C\x1b[3~");
    const char expected[] = {'q', '\xE9', 0x26, 0x28, 0x70, 0x74, 0x27, 0x2E};
    for (char key : expected) EXPECT_EQ(c.read_key(), key);
    termios mode{};
    tcgetattr(slave_, &mode);
    EXPECT_NE(mode.c_lflag & ICANON, 0u);
    EXPECT_NE(mode.c_lflag & ECHO, 0u);
    EXPECT_EQ(screen().find('q'), std::string::npos);  // not echoed
}

TEST_F(ternexTerminal, EnterIsCarriageReturnAndLoneEscapeIsEscape) {
    ternex_console& c = open();
    type_during_key_read("\r");
    EXPECT_EQ(c.read_key(), '\r');
    type_during_key_read("\x1b");
    EXPECT_EQ(c.read_key(), '\x1b');
}

TEST_F(ternexTerminal, LineInputAfterKeys) {
    ternex_console& c = open();
    type_during_key_read("k");
    EXPECT_EQ(c.read_key(), 'k');
    type("ligne \xC3\xA9\n");
    char line[256];
    bool end = true;
    c.read_line(line, 255, &end);
    EXPECT_FALSE(end);
    EXPECT_STREQ(line, "ligne \xE9");
}

TEST_F(ternexTerminal, TypedLineEndBringsTheColumnBack) {
    setenv("TERM", "dumb", 1);
    ternex_console& c = open();
    c.write("> ");
    type("abc\n");
    char line[256];
    c.read_line(line, 255);
    EXPECT_TRUE(c.set_cursor_column(1));  // from column 0, not 2
    c.write("x");
    EXPECT_EQ(c.output_column(), 2);
    const std::string shown = screen();
    EXPECT_EQ(shown.substr(shown.size() - 2), " x");
}

TEST_F(ternexTerminal, PostedCharactersAreEchoed) {
    ternex_console& c = open();
    c.post_char('o');
    c.post_char('\r');
    char line[256];
    c.read_line(line, 255);
    EXPECT_STREQ(line, "o");
    EXPECT_EQ(screen(), "o\n");
}

// Control events reach the handlers, newest first.
std::atomic<int> lastEvent{-1};
std::atomic<int> olderCalls{0};
bool Older(int) {
    ++olderCalls;
    return true;
}
bool Recorder(int event) {
    lastEvent = event;
    return event != CTRL_SHUTDOWN_EVENT;  // passes shutdown on to Older
}

TEST(ternexControlEvents, SignalsBecomeEvents) {
    ASSERT_TRUE(console.set_ctrl_handler(Older));
    ASSERT_TRUE(console.set_ctrl_handler(Recorder));
    EXPECT_FALSE(console.set_ctrl_handler(nullptr));
    const struct { int sig; int event; } cases[] = {
        {SIGINT, CTRL_C_EVENT}, {SIGQUIT, CTRL_BREAK_EVENT}, {SIGHUP, CTRL_CLOSE_EVENT}, {SIGTERM, CTRL_SHUTDOWN_EVENT}};
    for (const auto& c : cases) {
        lastEvent = -1;
        raise(c.sig);
        EXPECT_EQ(lastEvent.load(), c.event) << c.sig;
    }
    EXPECT_EQ(olderCalls.load(), 1);
}

bool Refuses(int) { return false; }

TEST(ternexControlDeathTest, UnhandledEventTakesTheDefaultAction) {
    EXPECT_EXIT(
        {
            console.set_ctrl_handler(Refuses);
            raise(SIGTERM);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

}  // namespace

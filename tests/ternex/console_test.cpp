// The console stream on pipes: writes, conversions, line input and parses.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "ternex/console_pipes.h"

namespace {

TEST(ternexWrite, NumbersAndBooleans) {
    ConsoleOnPipes c;
    c->write(-7).write(' ').write(-7LL).write(' ').write(INT_MIN).write(' ');
    c->write(4294967295u).write(' ').write(-123456789012345LL).write(' ');
    c->write(18446744073709551615UL).write(' ').write(-5L).write(' ');
    c->write(true).write(' ').write(false);
    EXPECT_EQ(c.output(), "-7 -7 -2147483648 4294967295 -123456789012345 18446744073709551615 -5 true false");
}

TEST(ternexWrite, RealsUseThePrecision) {
    ConsoleOnPipes c;
    EXPECT_EQ(c->get_precision(), 10);
    c->write(2.718281828459045).write(ternex_tab);
    ASSERT_TRUE(c->set_precision(9));
    c->write(2.718281828459045).write(ternex_tab).write(400.0).write(ternex_tab).write(0.1f);
    EXPECT_EQ(c.output(), "2.718281828\t2.71828183\t4.e2\t0.100000001");
}

TEST(ternexWrite, PrecisionLimits) {
    ConsoleOnPipes c;
    EXPECT_FALSE(c->set_precision(1));
    EXPECT_FALSE(c->set_precision(20));
    EXPECT_FALSE(c->set_precision(-9));
    EXPECT_EQ(c->get_precision(), 10);
    EXPECT_TRUE(c->set_precision(2));
    EXPECT_EQ(c->get_precision(), 2);
    EXPECT_TRUE(c->set_precision(19));
    EXPECT_EQ(c->get_precision(), 19);
}

TEST(ternexWrite, ChainingConstants) {
    ConsoleOnPipes c;
    c->write("a").write(ternex_endl).write(ternex_bell).write(ternex_tab);
    EXPECT_EQ(c.output(), "a\r\n\a\t");
}

TEST(ternexCharset, WindowsTextToUtf8) {
    ConsoleOnPipes c;
    c->write("é à ").write('\x80').write('\x81').write('\xff');  // € undefined ÿ
    EXPECT_EQ(c.output(), "\xC3\xA9 \xC3\xA0 \xE2\x82\xAC?\xC3\xBF");
}

TEST(ternexCharset, WindowsTextToLatin9) {
    ConsoleOnPipes c("", "ISO-8859-15");
    c->write("\x80\xA4\xE9");  // € is 0xA4 there; ¤ is missing; é stays
    EXPECT_EQ(c.output(), "\xA4?\xE9");
}

TEST(ternexCharset, Utf8InputBackToWindows) {
    // é t é | ł (not in Windows-1252) | a stray byte | € | an incomplete é at the end
    ConsoleOnPipes c("\xC3\xA9t\xC3\xA9\n\xC5\x82|\xFF|\xE2\x82\xAC\n\xC3");
    char line[256];
    c->read_line(line, 255);
    EXPECT_STREQ(line, "\xE9t\xE9");
    c->read_line(line, 255);
    EXPECT_STREQ(line, "?|?|\x80");
    c->read_line(line, 255);
    EXPECT_STREQ(line, "?");
}

TEST(ternexCharset, OutputAndInputRoundTrip) {
    ConsoleOnPipes c;
    std::string all;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != 0x7F && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all += static_cast<char>(b);
    c->write(all.c_str());
    ConsoleOnPipes back(c.output() + "\n");
    char line[256];
    back->read_line(line, 255);
    EXPECT_EQ(std::string(line), all);
}

TEST(ternexReadLine, CutsTheLineEnd) {
    ConsoleOnPipes c("abc\n\nxy\r\n\r\n");
    char line[256];
    EXPECT_EQ(c->read_line(line, 255), 4);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(c->read_line(line, 255), 1);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(c->read_line(line, 255), 4);
    EXPECT_STREQ(line, "xy");
    EXPECT_EQ(c->read_line(line, 255), 2);
    EXPECT_STREQ(line, "");
}

TEST(ternexReadLine, LongLinesComeInPieces) {
    ConsoleOnPipes c("abcdefg\nabc\nab\r\n");
    char line[4];
    const char* pieces[] = {"abc", "def", "g", "abc", "", "ab", ""};
    for (const char* expected : pieces) {
        c->read_line(line, 3);
        EXPECT_STREQ(line, expected);
    }
}

TEST(ternexReadLine, CountsCharactersNotBytes) {
    ConsoleOnPipes c("\xC3\xA9\xC3\xA9\xC3\xA9\n");
    char line[3];
    c->read_line(line, 2);
    EXPECT_STREQ(line, "\xE9\xE9");
    c->read_line(line, 2);
    EXPECT_STREQ(line, "\xE9");
}

TEST(ternexReadLine, EndOfInput) {
    ConsoleOnPipes c("last");
    char line[256];
    bool end = true;
    EXPECT_EQ(c->read_line(line, 255, &end), 4);
    EXPECT_FALSE(end);
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(c->read_line(line, 255, &end), 0);
    EXPECT_TRUE(end);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(c->read_line(line, 255, &end), 0);
    EXPECT_TRUE(end);
}

TEST(ternexReadLine, ControlCharactersArePlainBytes) {
    ConsoleOnPipes c(std::string("a\x01\x1b[A\0b\n", 8));
    char line[256];
    EXPECT_EQ(c->read_line(line, 255), 8);
    EXPECT_EQ(std::string(line, 7), std::string("a\x01\x1b[A\0b", 7));
}

TEST(ternexReadLine, PostedCharactersWakeABlockedRead) {
    ConsoleOnPipes c("", "UTF-8", false);  // input stays open and empty
    std::thread poster([&] {
        for (char ch : std::string("ok\xE9\r")) c->post_char(ch);
    });
    char line[256];
    bool end = true;
    c->read_line(line, 255, &end);
    poster.join();
    EXPECT_FALSE(end);
    EXPECT_STREQ(line, "ok\xE9");
    EXPECT_EQ(c.output(), "");  // no echo when the input is no terminal
}

// read_command_line on pipes: the prompt as text, whole lines, the same cut
// and conversion as read_line; an over-long line is read to its end and
// refused, and the next line is read as usual.
TEST(ternexCommandLine, WholeLinesOnPipes) {
    const std::string juste(255, 'a'), trop(256, 'b');
    ConsoleOnPipes c("nb 5\r\n" + juste + "\n" + trop + "x\xC3\xA9\r\n\xC3\xA9t\xC3\xA9\nfin");
    ternex_line_options options;
    options.prompt = "> ";
    options.promptAttribute = 15;
    char line[256];
    ternex_line_status status;
    EXPECT_FALSE(c->line_editing());
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 4);
    EXPECT_STREQ(line, "nb 5");
    EXPECT_FALSE(status.endOfInput || status.tooLong || status.interrupted);
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 255);
    EXPECT_EQ(line, juste);
    EXPECT_FALSE(status.tooLong);
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 0);
    EXPECT_TRUE(status.tooLong);
    EXPECT_FALSE(status.endOfInput);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 3);
    EXPECT_STREQ(line, "\xE9t\xE9");
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 3);  // the last line, without its end
    EXPECT_STREQ(line, "fin");
    EXPECT_FALSE(status.endOfInput);
    EXPECT_EQ(c->read_command_line(line, 255, options, &status), 0);
    EXPECT_TRUE(status.endOfInput);
    EXPECT_EQ(c.output(), "> > > > > > ");
}

// The rest of a refused line is skipped unconverted, whatever it holds, up
// to its line end, or to the end of the input.
TEST(ternexCommandLine, TheRestOfARefusedLineIsSkipped) {
    std::string accents;
    for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
    ConsoleOnPipes c(accents + "\r\nnb 5\n" + accents);
    char line[256];
    ternex_line_status status;
    EXPECT_EQ(c->read_command_line(line, 255, ternex_line_options{}, &status), 0);
    EXPECT_TRUE(status.tooLong);
    EXPECT_EQ(c->read_command_line(line, 255, ternex_line_options{}, &status), 4);
    EXPECT_STREQ(line, "nb 5");
    EXPECT_EQ(c->read_command_line(line, 255, ternex_line_options{}, &status), 0);  // the last, without its end
    EXPECT_TRUE(status.tooLong);
    EXPECT_FALSE(status.endOfInput);
    c->read_command_line(line, 255, ternex_line_options{}, &status);
    EXPECT_TRUE(status.endOfInput);
}

TEST(ternexCommandLine, NoPromptAndTheLengthIsInCharacters) {
    ConsoleOnPipes c("\xC3\xA9\xC3\xA9\xC3\xA9\n\xC3\xA9\xC3\xA9\n");
    char line[3];
    ternex_line_status status;
    EXPECT_EQ(c->read_command_line(line, 2, ternex_line_options{}, &status), 0);
    EXPECT_TRUE(status.tooLong);
    EXPECT_EQ(c->read_command_line(line, 2, ternex_line_options{}, &status), 2);
    EXPECT_STREQ(line, "\xE9\xE9");
    EXPECT_EQ(c.output(), "");
}

TEST(ternexParse, NumbersAndBooleansByLine) {
    ConsoleOnPipes c("  -42x\nabc\n1.5e-3\n123456789012\n-2.5\nNon\nFAUX\noui\nyes\n\n\xC3\xA9t\xC3\xA9\n77\n");
    int i = 1;
    long l = 1;
    long long ll = 1;
    double d = 1;
    float f = 0;
    bool b = false;
    char ch = 0;
    c->read(i);
    EXPECT_EQ(i, -42);
    c->read(l);
    EXPECT_EQ(l, 0);
    c->read(d);
    EXPECT_DOUBLE_EQ(d, 0.0015);
    c->read(ll);
    EXPECT_EQ(ll, 123456789012LL);
    c->read(f);
    EXPECT_EQ(f, -2.5f);
    for (bool expected : {false, false, true, true, false}) {
        b = !expected;
        c->read(b);
        EXPECT_EQ(b, expected);
    }
    c->read(ch);
    EXPECT_EQ(ch, '\xE9');
    c->read(i);
    EXPECT_EQ(i, 77);
    c->read(i);  // end of input reads as 0
    EXPECT_EQ(i, 0);
}

TEST(ternexParse, IntegerLinesAreReadFiftyAtATime) {
    ConsoleOnPipes c(std::string(50, ' ') + "12\n");
    int i = 5;
    c->read(i);
    EXPECT_EQ(i, 0);  // the first 50 characters hold no digit
    c->read(i);
    EXPECT_EQ(i, 12);
}

TEST(ternexParse, IntReadSaturates) {
    ConsoleOnPipes c("99999999999\n-99999999999\n");
    int i = 0;
    c->read(i);
    EXPECT_EQ(i, INT_MAX);
    c->read(i);
    EXPECT_EQ(i, INT_MIN);
}

TEST(ternexKeys, OnAPipeKeysAreCharacters) {
    ConsoleOnPipes c("a\xC3\xA9\n");
    EXPECT_EQ(c->read_key(), 'a');
    EXPECT_EQ(c->read_char(), '\xE9');
    EXPECT_EQ(c->read_key(), '\n');
    EXPECT_EQ(c->read_key(), '\0');
}

TEST(ternexKeys, CopyToEchoesUntilEnter) {
    ConsoleOnPipes c("x\xC3\xA9y\nrest\n");
    ConsoleOnPipes sink;
    c->copy_to(*sink);
    EXPECT_EQ(sink.output(), "x\xC3\xA9y");
    EXPECT_EQ(c.output(), "x\xC3\xA9y\r\n");
    char line[256];
    c->read_line(line, 255);
    EXPECT_STREQ(line, "rest");
}

TEST(ternexPlainOutput, NoEscapeBytesEver) {
    ConsoleOnPipes c;
    c->set_text_attribute(15);
    c->write("> ");
    c->set_text_attribute(7);
    c->set_text_attribute(0xF0);
    EXPECT_TRUE(c->set_title("Glomerix é"));
    EXPECT_TRUE(c->clear_screen());
    c->reset();
    c->write("ab");
    EXPECT_TRUE(c->set_cursor_column(6));
    c->write("c\n");
    EXPECT_EQ(c.output(), "> ab  c\n");  // clearing wrote nothing: the column goes on
}

TEST(ternexPlainOutput, ColumnPaddingFollowsTheText) {
    ConsoleOnPipes c;
    c->write("\xE9");  // one column, two bytes
    c->set_cursor_column(3);
    c->write("|\t");  // column 4, then 8
    c->set_cursor_column(5);  // already past: nothing
    c->write("x\r");
    c->set_cursor_column(2);
    c->write("y\n").write(12).write(2.5);
    c->set_cursor_column(6);
    c->write("z");
    EXPECT_EQ(c->output_column(), 7);
    EXPECT_FALSE(c->set_cursor_column(-1));
    EXPECT_EQ(c.output(), "\xC3\xA9  |\tx\r  y\n122.5 z");
}

TEST(ternexPlainOutput, GeometryFallsBackWithoutATerminal) {
    ConsoleOnPipes c;
    int columns = 0, rows = 0, left = -1, top = -1, right = 0, bottom = 0;
    EXPECT_TRUE(c->get_buffer_size(columns, rows));
    EXPECT_EQ(columns, 80);
    EXPECT_EQ(rows, 25);
    EXPECT_TRUE(c->get_window_rect(left, top, right, bottom));
    EXPECT_EQ(left, 0);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(right, 79);
    EXPECT_EQ(bottom, 24);
    EXPECT_TRUE(c->set_buffer_size(120, 9000));
    EXPECT_TRUE(c->set_window_rect(0, 119, 0, 49));
    EXPECT_TRUE(c->set_window_size(120, 50));
    EXPECT_TRUE(c->get_buffer_size(columns, rows));
    EXPECT_EQ(columns, 80);
    EXPECT_EQ(c.output(), "");
}

TEST(ternexStream, ConsoleHasNoPosition) {
    ConsoleOnPipes c;
    EXPECT_FALSE(c->seek(0));
    EXPECT_FALSE(c->at_end());
    EXPECT_EQ(c->tell(), -1);
}

}  // namespace

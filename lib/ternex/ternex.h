// Text streams. The program's text is Windows-1252; ternex_console converts it
// to the terminal's charset on output and back on input.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ternex/history.h"

class generic_ternex {
public:
    virtual ~generic_ternex() = default;
    virtual generic_ternex& write(long long value) = 0;
    virtual generic_ternex& copy_from(generic_ternex& source);
    virtual generic_ternex& write(bool value) = 0;
    virtual generic_ternex& write(double value) = 0;
    virtual generic_ternex& write(float value) = 0;
    virtual generic_ternex& write(unsigned int value) = 0;
    virtual generic_ternex& write(int value) = 0;
    virtual generic_ternex& write(unsigned long value) = 0;
    virtual generic_ternex& write(long value) = 0;
    virtual generic_ternex& write(const char* text) = 0;
    virtual generic_ternex& write(char c) = 0;
    virtual generic_ternex& read(long long& value) = 0;
    virtual generic_ternex& copy_to(generic_ternex& destination);
    virtual generic_ternex& read(bool& value) = 0;
    virtual generic_ternex& read(double& value) = 0;
    virtual generic_ternex& read(float& value) = 0;
    virtual generic_ternex& read(int& value) = 0;
    virtual generic_ternex& read(long& value) = 0;
    virtual generic_ternex& read(char* buffer) = 0;  // buffer holds 256 bytes
    virtual generic_ternex& read(char& c) = 0;
    virtual bool seek(long position) = 0;
    virtual bool at_end() = 0;
    virtual int tell() = 0;
    virtual void reset() = 0;
    virtual generic_ternex& assign(generic_ternex& source);
    virtual char read_char();
    virtual generic_ternex& replace_with(generic_ternex& source);
    virtual void initialise();
};

// Chaining constants.
extern const char* const ternex_endl;  // "\r\n"
extern const char* const ternex_bell;  // "\a"
extern const char* const ternex_tab;   // "\t"

// Console control events delivered to the handler (signals on a terminal).
enum : int {
    CTRL_C_EVENT = 0,         // SIGINT
    CTRL_BREAK_EVENT = 1,     // SIGQUIT
    CTRL_CLOSE_EVENT = 2,     // SIGHUP
    CTRL_LOGOFF_EVENT = 5,
    CTRL_SHUTDOWN_EVENT = 6,  // SIGTERM
};
using ternex_ctrl_handler = bool (*)(int event);

// Ends the reading of the console's input, now and for good: a read waiting
// is woken and reports the end of the input, and what was received but not
// yet read is left. For a handler that ends the session; safe in a signal
// handler.
void ternex_close_input();

// Tab completion on the line editor: given the line up to the cursor
// (Windows-1252), the candidates for the word that ends there, each whole
// (Windows-1252); *wordStart receives where that word begins in `before`.
// A candidate ending in '/' is a folder: no space is added after it
// (ternex_line_options::spaceAfterWord says whether one is after the others).
using ternex_completer = std::vector<std::string> (*)(const std::string& before, size_t* wordStart);

// File names for ternex_completer: the entries of the folder named so far
// whose names start as the last path element typed; folders end in '/'.
std::vector<std::string> ternex_complete_file_name(const std::string& before, size_t* wordStart);

// How read_command_line reads one line.
struct ternex_line_options {
    const char* prompt = nullptr;       // written first, in promptAttribute, then textAttribute is set
    uint16_t promptAttribute = 7;
    uint16_t textAttribute = 7;
    ternex_completer completer = nullptr;  // Tab on the line editor
    bool spaceAfterWord = true;         // Tab ends a single candidate with a space (false: the answer is one name)
    bool history = false;               // the line joins the history
};

// What read_command_line met besides the text.
struct ternex_line_status {
    bool endOfInput = false;   // nothing could be read: the input is exhausted (Ctrl+D on a terminal)
    bool tooLong = false;      // the line was longer than max: read whole and refused
    bool interrupted = false;  // Ctrl+C abandoned the line
};

// The console stream: Windows-1252 text on the process's standard input and
// output. Escape sequences (colours, column moves, clearing, title) are sent
// only to a terminal, with NO_COLOR unset and TERM not "dumb"; elsewhere the
// output is the plain converted text. The first console opens /dev/null on
// whichever of descriptors 0 to 2 the process started without, so that no
// descriptor opened later is taken for a standard one (a closed standard
// input then reads as its end).
class ternex_console : public generic_ternex {
public:
    ternex_console();
    // A stream on other descriptors (tests): the caller keeps them open and
    // closes them. charset names the terminal side ("UTF-8", "ISO-8859-15"...;
    // a string that outlives the stream); nullptr takes the locale's.
    ternex_console(int inputFd, int outputFd, const char* charset = nullptr, int errorFd = 2);
    ~ternex_console() override;

    using generic_ternex::copy_from;
    generic_ternex& write(long long value) override;
    generic_ternex& write(bool value) override;
    generic_ternex& write(double value) override;
    generic_ternex& write(float value) override;
    generic_ternex& write(unsigned int value) override;
    generic_ternex& write(int value) override;
    generic_ternex& write(unsigned long value) override;
    generic_ternex& write(long value) override;
    generic_ternex& write(const char* text) override;
    generic_ternex& write(char c) override;
    generic_ternex& read(long long& value) override;
    generic_ternex& copy_to(generic_ternex& destination) override;
    generic_ternex& read(bool& value) override;
    generic_ternex& read(double& value) override;
    generic_ternex& read(float& value) override;
    generic_ternex& read(int& value) override;
    generic_ternex& read(long& value) override;
    generic_ternex& read(char* buffer) override;
    generic_ternex& read(char& c) override;
    bool seek(long position) override;
    bool at_end() override;
    int tell() override;
    void reset() override;
    char read_char() override;
    generic_ternex& replace_with(generic_ternex& source) override;
    void initialise() override;

    // Reads at most max characters of one line into buffer (max + 1 bytes),
    // cuts the line end and converts to Windows-1252. Returns the number of
    // characters received, line end included (an empty line gives 1); 0 with
    // *endOfInput set when input is exhausted, or once a write to the output
    // has failed (its reader is gone: nobody sees the answers any more). The
    // rest of a line longer than max is kept for the next read.
    int read_line(char* buffer, int max, bool* endOfInput = nullptr);
    // One whole line, for the prompt and the questions of the commands. On a
    // terminal that takes escape sequences (input and output both terminals)
    // the line is edited (libedit: cursor keys, history, completion), else the
    // prompt is written and the line read as read_line does. buffer holds
    // max + 1 bytes; the text is converted to Windows-1252 as read_line does.
    // A line of more than max characters is read to its end and refused:
    // buffer left empty and status->tooLong set. Returns the length of the text.
    int read_command_line(char* buffer, int max, const ternex_line_options& options,
                          ternex_line_status* status = nullptr);
    // Whether read_command_line edits lines.
    bool line_editing() const;
    bool input_is_terminal() const;
    // The history of edited lines lives in this file (created mode 0600 with
    // its folder, at most maxLines lines of maxLineLength characters, no line
    // twice in a row); loaded now, rewritten after each line added. A file
    // that cannot be written, or is not a regular file that fits its lines
    // (see the result), leaves the history in memory only.
    ternex_history::load_result set_history_file(const std::string& path, int maxLines, int maxLineLength);

    // Standard error: one line of Windows-1252 text, converted, ended by "\n".
    void warn(const char* text);
    // A status line on standard error when it is a terminal and TERM is not
    // "dumb": show_status writes it in place of the previous one (cut to the
    // terminal's width; not while a line of a terminal output is unfinished),
    // clear_status erases it, and any other output erases it first. Neither
    // does anything elsewhere.
    bool status_line_available() const;
    void show_status(const char* text);
    void clear_status();

    // One key without echo: its character, or the low byte of the virtual-key
    // code of an arrow or function key; 0 at the end of input or on failure.
    char read_key();

    // The input descriptor now reads another file (dup2 before the first
    // read, e.g. a file of commands): looks again whether it is a terminal.
    void input_replaced();

    // Thread-safe: queues a character as if typed at the terminal (the viewer
    // window's key handler). A read blocked on stdin wakes up and sees it
    // (e.g. a self-pipe polled beside fd 0).
    void post_char(char c);

    bool set_text_attribute(uint16_t attribute);
    bool set_cursor_column(int column);
    bool clear_screen();
    // The first title set on a terminal pushes the terminal's own title,
    // which the stream pops when it ends (xterm's title stack).
    bool set_title(const char* text);
    bool get_buffer_size(int& columns, int& rows);
    bool set_buffer_size(int columns, int rows);
    bool get_window_rect(int& left, int& top, int& right, int& bottom);
    bool set_window_rect(int left, int right, int top, int bottom);
    bool set_window_size(int width, int height);
    bool set_ctrl_handler(ternex_ctrl_handler handler);
    bool set_precision(int digits);
    int get_precision() const { return precision; }

    // The column the next character goes to, as counted from the text written.
    int output_column() const { return trackedColumn.load(std::memory_order_relaxed); }

    struct state;

private:
    int precision = 10;
    int inputFd = 0;
    int outputFd = 1;
    int errorFd = 2;
    const char* charsetName = nullptr;  // nullptr: the locale's
    bool escapes = false;               // output is a terminal that takes sequences
    uint16_t currentAttribute = 7;
    std::atomic<int> trackedColumn{0};  // written by any thread that writes
    std::unique_ptr<state> st;          // charset tables, input buffer, key mode

    void write_converted(const char* text, size_t length);
    void write_raw(const char* bytes, size_t length);
    void write_number(const char* digits, size_t length) { write_raw(digits, length); advance(digits, length); }
    void advance(const char* text, size_t length);
    int read_raw_line(char* buffer, int max, bool convert, bool* endOfInput);
    int read_whole_line(char* buffer, int max, ternex_line_status& status);
    int read_edited_line(char* buffer, int max, const ternex_line_options& options, ternex_line_status& status);
    int next_char(bool convert);  // a Windows-1252 byte (or a raw byte), -1 at the end
};

extern ternex_console console;

// ternex_console: lines edited on a terminal through libedit (cursor keys,
// Home/End, Delete, the Ctrl keys of Emacs, history with Ctrl+R search, Tab
// completion). libedit reads its characters through read_wide_char, which
// waits on the terminal and on the wake pipe together: characters posted by
// other threads and Ctrl+C reach the line being edited.
#include <histedit.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "ternex/console_state.h"
#include "ternex/history.h"
#include "ternex/ternex.h"

namespace {

// SIGINTs seen by the signal handler, and where it wakes the editor waiting
// for a key (the wake pipe of the console being read; -1 when none).
std::atomic<unsigned> interruptCount{0};
std::atomic<int> interruptWakeFd{-1};
static_assert(std::atomic<unsigned>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "written from a signal handler");

// What read_wide_char hands libedit for Ctrl+C: the terminal turns the key
// itself into SIGINT, so the code is free for the interrupt binding.
constexpr wchar_t kInterruptKey = 0x03;
constexpr wchar_t kPromptLiteral = 0x01;  // brackets the escape sequences of the prompt

// Unicode <-> UTF-8 for the history file: libedit's wide characters are code points.
std::string utf8(const std::wstring& text) {
    std::string out;
    for (const wchar_t w : text) {
        const auto u = static_cast<uint32_t>(w);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// Invalid bytes become U+FFFD.
std::wstring from_utf8(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        uint32_t u = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool valid = extra >= 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0) == 0x80;
            u = (u << 6) | (c & 0x3F);
        }
        out += valid ? static_cast<wchar_t>(u) : L'\xFFFD';
        i += valid ? static_cast<size_t>(extra) + 1 : 1;
    }
    return out;
}

}  // namespace

struct ternex_line_editor {
    ternex_line_editor(ternex_console::state& state, int inputFd, int outputFd);
    ~ternex_line_editor();
    ternex_line_editor(const ternex_line_editor&) = delete;
    ternex_line_editor& operator=(const ternex_line_editor&) = delete;

    ternex_history::load_result load_history(const std::string& path, int maxLines, int maxLineLength);
    void remember(const std::wstring& line);
    std::string to_windows(const wchar_t* begin, const wchar_t* end) const;
    std::wstring to_wide(const std::string& windows) const;
    void list(const std::vector<std::string>& candidates);

    ternex_console::state& s;
    int inputFd;
    int outputFd;
    FILE* in = nullptr;
    FILE* out = nullptr;
    EditLine* el = nullptr;
    HistoryW* history = nullptr;
    std::unique_ptr<ternex_history> saved;
    std::wstring prompt;
    ternex_completer completer = nullptr;
    bool spaceAfterWord = true;
    unsigned interruptsSeen = 0;
    bool interrupted = false;
};

namespace {

ternex_line_editor& editor_of(EditLine* el) {
    void* data = nullptr;
    el_get(el, EL_CLIENTDATA, &data);
    return *static_cast<ternex_line_editor*>(data);
}

wchar_t* prompt_text(EditLine* el) { return editor_of(el).prompt.data(); }

// libedit's character source: 1 with a character, 0 at the end of input.
int read_wide_char(EditLine* el, wchar_t* wc) {
    ternex_line_editor& ed = editor_of(el);
    ternex_console::state& s = ed.s;
    for (;;) {
        if (ternex_input_closed()) return 0;
        const unsigned interrupts = interruptCount.load();
        if (interrupts != ed.interruptsSeen) {
            ed.interruptsSeen = interrupts;
            *wc = kInterruptKey;
            return 1;
        }
        const size_t available = s.bytes.size() - s.pos;
        if (available > 0) {
            uint32_t u = ternex_charset::kNone;
            const size_t used = s.charset.decode_code_point(s.bytes.data() + s.pos, available, s.endOfInput, &u);
            if (used > 0) {
                s.pos += used;
                if (u == ternex_charset::kNone) continue;
                *wc = static_cast<wchar_t>(u);
                return 1;
            }
        }
        // Posted characters are not echoed here: libedit shows them as typed.
        if (!ternex_fill(s, ed.inputFd, -1, -1, true) && s.endOfInput && s.pos == s.bytes.size()) return 0;
    }
}

// Ctrl+C: the line is shown whole, the cursor goes below it, and the caller
// learns through `interrupted` that it was abandoned.
unsigned char interrupt_key(EditLine* el, int) {
    ternex_line_editor& ed = editor_of(el);
    ed.interrupted = true;
    const LineInfoW* line = el_wline(el);
    el_cursor(el, static_cast<int>(line->lastchar - line->cursor));
    el_wpush(el, L"\n");
    return CC_CURSOR;
}

std::string common_prefix(const std::vector<std::string>& words) {
    std::string prefix = words.front();
    for (const std::string& w : words) {
        size_t n = 0;
        while (n < prefix.size() && n < w.size() && prefix[n] == w[n]) ++n;
        prefix.resize(n);
    }
    return prefix;
}

// Tab: the word before the cursor grows to what every candidate shares; a
// single candidate is completed with a space (none after a folder, nor where
// the line is one name); when
// nothing can be added the candidates are listed under the line.
unsigned char complete_key(EditLine* el, int) {
    ternex_line_editor& ed = editor_of(el);
    if (ed.completer == nullptr) return CC_REFRESH_BEEP;
    const LineInfoW* line = el_wline(el);
    const std::string before = ed.to_windows(line->buffer, line->cursor);
    size_t start = before.size();
    std::vector<std::string> candidates = ed.completer(before, &start);
    if (candidates.empty()) return CC_REFRESH_BEEP;
    start = std::min(start, before.size());
    const std::string typed = before.substr(start);
    std::string completed = candidates.size() == 1 ? candidates.front() : common_prefix(candidates);
    if (candidates.size() == 1 && ed.spaceAfterWord && (completed.empty() || completed.back() != '/')) {
        completed += ' ';
    }
    if (completed.size() > typed.size()) {
        el_deletestr(el, static_cast<int>(typed.size()));
        el_winsertstr(el, ed.to_wide(completed).c_str());
        return CC_REFRESH;
    }
    if (candidates.size() == 1) return CC_REFRESH;
    ed.list(candidates);
    return CC_REDISPLAY;
}

}  // namespace

ternex_line_editor::ternex_line_editor(ternex_console::state& state, int inFd, int outFd)
    : s(state), inputFd(inFd), outputFd(outFd) {
    in = fdopen(dup(inputFd), "r");
    out = fdopen(dup(outputFd), "w");
    if (in == nullptr || out == nullptr) return;
    el = el_init_fd(program_invocation_short_name, in, out, out, inputFd, outputFd, outputFd);
    if (el == nullptr) return;
    el_set(el, EL_CLIENTDATA, this);
    el_set(el, EL_EDITOR, "emacs");
    el_wset(el, EL_PROMPT_ESC, prompt_text, kPromptLiteral);
    el_wset(el, EL_GETCFN, read_wide_char);
    // Wide names: libedit keeps the pointers, and copies narrow ones it never frees.
    el_wset(el, EL_ADDFN, L"ternex-complete", L"Complete the word", complete_key);
    el_wset(el, EL_ADDFN, L"ternex-interrupt", L"Abandon the line", interrupt_key);
    static const char* const kBindings[][2] = {
        {"^I", "ternex-complete"},      {"^C", "ternex-interrupt"},   {"^R", "em-inc-search-prev"},
        {"^W", "ed-delete-prev-word"},  {"^U", "vi-kill-line-prev"},  {"^K", "ed-kill-line"},
        {"^A", "ed-move-to-beg"},       {"^E", "ed-move-to-end"},     {"\\e[H", "ed-move-to-beg"},
        {"\\eOH", "ed-move-to-beg"},    {"\\e[1~", "ed-move-to-beg"}, {"\\e[7~", "ed-move-to-beg"},
        {"\\e[F", "ed-move-to-end"},    {"\\eOF", "ed-move-to-end"},  {"\\e[4~", "ed-move-to-end"},
        {"\\e[8~", "ed-move-to-end"},   {"\\e[3~", "ed-delete-next-char"},
        {"\\e[1;5D", "ed-prev-word"},   {"\\e[1;5C", "em-next-word"},
    };
    for (const auto& b : kBindings) el_set(el, EL_BIND, b[0], b[1], nullptr);
    el_source(el, nullptr);  // the user's ~/.editrc, if any
    history = history_winit();
    HistEventW event;
    history_w(history, &event, H_SETUNIQUE, 1);
    el_wset(el, EL_HIST, history_w, history);
    load_history("", 1000, 0);
}

ternex_line_editor::~ternex_line_editor() {
    if (el != nullptr) el_end(el);
    if (history != nullptr) history_wend(history);
    if (in != nullptr) fclose(in);
    if (out != nullptr) fclose(out);
}

ternex_history::load_result ternex_line_editor::load_history(const std::string& path, int maxLines, int maxLineLength) {
    saved = std::make_unique<ternex_history>(path, static_cast<size_t>(std::max(maxLines, 0)),
                                             static_cast<size_t>(std::max(maxLineLength, 0)));
    HistEventW event;
    history_w(history, &event, H_CLEAR);
    history_w(history, &event, H_SETSIZE, std::max(maxLines, 1));
    for (const std::string& line : saved->lines()) history_w(history, &event, H_ENTER, from_utf8(line).c_str());
    return saved->load();
}

void ternex_line_editor::remember(const std::wstring& line) {
    if (line.find_first_not_of(L" \t") == std::wstring::npos) return;
    if (saved->add(utf8(line))) {
        HistEventW event;
        history_w(history, &event, H_ENTER, line.c_str());
    }
}

std::string ternex_line_editor::to_windows(const wchar_t* begin, const wchar_t* end) const {
    std::string text;
    for (const wchar_t* p = begin; p < end; ++p) text += s.charset.to_windows(static_cast<uint32_t>(*p));
    return text;
}

std::wstring ternex_line_editor::to_wide(const std::string& windows) const {
    std::wstring text;
    for (const char c : windows) {
        const uint32_t u = s.charset.to_unicode(c);
        text += u == ternex_charset::kNone ? L'?' : static_cast<wchar_t>(u);
    }
    return text;
}

// The candidates' last path elements, in columns across the terminal.
void ternex_line_editor::list(const std::vector<std::string>& candidates) {
    std::vector<std::string> names;
    size_t widest = 0;
    for (const std::string& c : candidates) {
        const size_t slash = c.find_last_of('/', c.size() >= 2 ? c.size() - 2 : 0);
        names.push_back(slash == std::string::npos ? c : c.substr(slash + 1));
        widest = std::max(widest, names.back().size());
    }
    winsize ws{};
    const size_t width = ioctl(outputFd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
    const size_t columns = std::max<size_t>(1, width / (widest + 2));
    std::string text = "\n";
    for (size_t i = 0; i < names.size(); ++i) {
        for (const char c : names[i]) s.charset.encode(c, text);
        const bool endOfRow = (i + 1) % columns == 0 || i + 1 == names.size();
        text += endOfRow ? std::string("\n") : std::string(widest + 2 - names[i].size(), ' ');
    }
    fputs(text.c_str(), out);
    fflush(out);
}

unsigned ternex_interrupts() { return interruptCount.load(); }
void ternex_wake_on_interrupt(int fd) { interruptWakeFd.store(fd); }

void ternex_note_interrupt() {
    interruptCount.fetch_add(1);
    const int fd = interruptWakeFd.load();
    if (fd >= 0) {
        const char one = 1;
        if (write(fd, &one, 1) < 0) {
        }
    }
}

namespace {

void delete_editor(ternex_line_editor* editor) { delete editor; }

ternex_line_editor& editor_for(ternex_console::state& s, int inputFd, int outputFd) {
    if (!s.editor) s.editor = {new ternex_line_editor(s, inputFd, outputFd), delete_editor};
    return *s.editor;
}

}  // namespace

ternex_history::load_result ternex_console::set_history_file(const std::string& path, int maxLines, int maxLineLength) {
    if (!st->editing) return ternex_history::load_result::read;
    return editor_for(*st, inputFd, outputFd).load_history(path, maxLines, maxLineLength);
}

// The prompt's colours go in escape sequences bracketed for libedit, each
// fixed to the character after it: the prompt colour to the first one, the
// text colour to the last one (a space in the program's prompt).
int ternex_console::read_edited_line(char* buffer, int max, const ternex_line_options& options,
                                     ternex_line_status& status) {
    ternex_line_editor& ed = editor_for(*st, inputFd, outputFd);
    buffer[0] = '\0';
    if (ed.el == nullptr) {  // libedit could not start: read as on a pipe
        st->editing = false;
        return read_command_line(buffer, max, options, &status);
    }
    const std::wstring text = options.prompt != nullptr ? ed.to_wide(options.prompt) : std::wstring();
    ed.prompt.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const bool first = i == 0, last = i + 1 == text.size();
        if (escapes && (first || last)) {
            const uint16_t attribute = last && !first ? options.textAttribute : options.promptAttribute;
            ed.prompt += kPromptLiteral;
            ed.prompt += ed.to_wide(ternex_sgr(attribute));
            ed.prompt += kPromptLiteral;
        }
        ed.prompt += text[i];
    }
    ed.completer = options.completer;
    ed.spaceAfterWord = options.spaceAfterWord;
    ed.interrupted = false;
    ed.interruptsSeen = ternex_interrupts();
    ternex_wake_on_interrupt(st->wakeWrite);
    int count = 0;
    const wchar_t* line = el_wgets(ed.el, &count);
    ternex_wake_on_interrupt(-1);
    currentAttribute = options.textAttribute;
    trackedColumn.store(0, std::memory_order_relaxed);
    if (ed.interrupted) {
        status.interrupted = true;
        return 0;
    }
    if (line == nullptr || count <= 0) {
        status.endOfInput = true;
        write("\n");  // Ctrl+D leaves the cursor on a line of its own
        return 0;
    }
    std::wstring typed(line, static_cast<size_t>(count));
    while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) typed.pop_back();
    const std::string windows = ed.to_windows(typed.data(), typed.data() + typed.size());
    if (windows.size() > static_cast<size_t>(max)) {
        status.tooLong = true;
        return 0;
    }
    if (options.history) ed.remember(typed);
    windows.copy(buffer, windows.size());
    buffer[windows.size()] = '\0';
    return static_cast<int>(windows.size());
}

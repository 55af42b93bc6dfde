// Windows-1252 to and from the terminal's charset. Output goes through a table
// built once; input is decoded one character at a time.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class ternex_charset {
public:
    // terminalCharset is an iconv name; nullptr takes the locale's, where the
    // C/POSIX locale counts as UTF-8.
    explicit ternex_charset(const char* terminalCharset);
    ~ternex_charset();
    ternex_charset(const ternex_charset&) = delete;
    ternex_charset& operator=(const ternex_charset&) = delete;

    // Appends the terminal's bytes for one Windows-1252 character: '?' when
    // the terminal's charset lacks it or Windows-1252 leaves the byte undefined.
    void encode(char c, std::string& out) const {
        const Entry& e = table[static_cast<unsigned char>(c)];
        out.append(e.bytes, e.length);
    }

    // Decodes the first character of bytes[0 .. length). Returns the number of
    // bytes it takes, 0 when the character is incomplete and more input may
    // come (only when !final). *c receives its Windows-1252 byte, '?' for an
    // invalid sequence (one byte consumed) or a character Windows-1252 lacks,
    // -1 when the bytes produce no character (shift sequences).
    size_t decode(const char* bytes, size_t length, bool final, int* c);
    // The same, giving the character's Unicode code point: kInvalid for an
    // invalid sequence, kNone for bytes that produce no character.
    static constexpr uint32_t kInvalid = 0xFFFDu;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    size_t decode_code_point(const char* bytes, size_t length, bool final, uint32_t* u);

    // Unicode -> Windows-1252 ('?' when it has no such character), and back
    // (kNone for the bytes Windows-1252 leaves undefined).
    char to_windows(uint32_t u) const { return static_cast<char>(from_unicode(u)); }
    uint32_t to_unicode(char c) const { return codePoint[static_cast<unsigned char>(c)]; }

    // The charset name used for the terminal side.
    const std::string& terminal() const { return name; }

private:
    struct Entry {
        char bytes[8];
        uint8_t length;
    };
    Entry table[256];
    uint32_t codePoint[256];                   // Windows-1252 -> Unicode, 0xFFFFFFFF undefined
    std::vector<std::pair<uint32_t, char>> above255;  // Unicode -> Windows-1252 past Latin-1
    int16_t latin1[256];                       // Unicode < 256 -> Windows-1252, -1 none
    iconv_t decoder = reinterpret_cast<iconv_t>(-1);  // terminal -> UTF-32LE
    std::string name;

    void build_tables();
    int from_unicode(uint32_t u) const;
};

// Calls setlocale(LC_CTYPE, "") once per process.
void ternex_adopt_locale();

// Writes Windows-1252 text to fd in the locale's charset, then raw bytes as
// they are (text from argv or the environment); for messages written before
// or without the console stream. Stops quietly at a write error.
void ternex_write_text(int fd, const char* text, const std::string& raw = {});

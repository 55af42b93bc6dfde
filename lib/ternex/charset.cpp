#include "ternex/charset.h"

#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <mutex>

namespace {

constexpr uint32_t kUndefined = 0xFFFFFFFFu;

std::string locale_charset() {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
        std::strcmp(codeset, "ASCII") == 0)
        return "UTF-8";
    return codeset;
}

uint32_t read_le32(const unsigned char* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// One conversion with fresh state; false when iconv refuses the input.
bool convert_once(iconv_t cd, const char* in, size_t inLength, char* out, size_t* outLength) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(in);
    char* op = out;
    size_t il = inLength, ol = *outLength;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return false;
    if (iconv(cd, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1)) return false;
    *outLength -= ol;
    return true;
}

}  // namespace

void ternex_adopt_locale() {
    static std::once_flag once;
    std::call_once(once, [] { std::setlocale(LC_CTYPE, ""); });
}

ternex_charset::ternex_charset(const char* terminalCharset)
    : name(terminalCharset != nullptr ? terminalCharset : locale_charset()) {
    decoder = iconv_open("UTF-32LE", name.c_str());
    if (decoder == reinterpret_cast<iconv_t>(-1)) {
        name = "UTF-8";
        decoder = iconv_open("UTF-32LE", "UTF-8");
    }
    build_tables();
}

ternex_charset::~ternex_charset() {
    if (decoder != reinterpret_cast<iconv_t>(-1)) iconv_close(decoder);
}

// Windows-1252 -> Unicode -> terminal, for each of the 256 bytes.
void ternex_charset::build_tables() {
    iconv_t toUnicode = iconv_open("UTF-32LE", "CP1252");
    iconv_t toTerminal = iconv_open(name.c_str(), "UTF-32LE");
    std::memset(latin1, -1, sizeof latin1);
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        unsigned char u[4];
        size_t ul = sizeof u;
        codePoint[b] = kUndefined;
        if (toUnicode != reinterpret_cast<iconv_t>(-1) &&
            convert_once(toUnicode, &in, 1, reinterpret_cast<char*>(u), &ul) && ul == 4)
            codePoint[b] = read_le32(u);
        else if (b < 0x80)
            codePoint[b] = static_cast<uint32_t>(b);
        Entry& e = table[b];
        size_t el = sizeof e.bytes;
        if (codePoint[b] == kUndefined || toTerminal == reinterpret_cast<iconv_t>(-1) ||
            !convert_once(toTerminal, reinterpret_cast<const char*>(u), 4, e.bytes, &el) || el == 0) {
            e.bytes[0] = codePoint[b] == kUndefined ? '?' : (b < 0x80 ? static_cast<char>(b) : '?');
            el = 1;
        }
        e.length = static_cast<uint8_t>(el);
        if (codePoint[b] < 256) latin1[codePoint[b]] = static_cast<int16_t>(b);
        else if (codePoint[b] != kUndefined) above255.emplace_back(codePoint[b], static_cast<char>(b));
    }
    if (toUnicode != reinterpret_cast<iconv_t>(-1)) iconv_close(toUnicode);
    if (toTerminal != reinterpret_cast<iconv_t>(-1)) iconv_close(toTerminal);
}

int ternex_charset::from_unicode(uint32_t u) const {
    if (u < 256) return latin1[u] >= 0 ? latin1[u] : '?';
    for (const auto& [code, byte] : above255)
        if (code == u) return static_cast<unsigned char>(byte);
    return '?';
}

size_t ternex_charset::decode(const char* bytes, size_t length, bool final, int* c) {
    uint32_t u = kNone;
    const size_t used = decode_code_point(bytes, length, final, &u);
    *c = u == kNone ? -1 : (u == kInvalid ? '?' : from_unicode(u));
    return used;
}

size_t ternex_charset::decode_code_point(const char* bytes, size_t length, bool final, uint32_t* u) {
    *u = kNone;
    if (length == 0) return 0;
    unsigned char out[4];
    char* ip = const_cast<char*>(bytes);
    char* op = reinterpret_cast<char*>(out);
    size_t il = length, ol = sizeof out;
    const size_t r = iconv(decoder, &ip, &il, &op, &ol);
    const int err = r == static_cast<size_t>(-1) ? errno : 0;
    const size_t used = length - il;
    if (ol == 0) {
        *u = read_le32(out);
        return used;
    }
    if (used > 0) return used;  // bytes that change state but produce nothing
    if (err == EINVAL && !final) return 0;
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    *u = kInvalid;
    return 1;
}

void ternex_write_text(int fd, const char* text, const std::string& raw) {
    static const ternex_charset charset(nullptr);
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) charset.encode(*c, out);
    out += raw;
    for (size_t done = 0; done < out.size();) {
        const ssize_t n = write(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

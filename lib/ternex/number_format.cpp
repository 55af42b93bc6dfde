#include "ternex/number_format.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace ternex_text {
namespace {

constexpr double kLn10 = 2.302585092994046;

// 10^k for 0 <= k <= 308 (correctly rounded by the C library's pow).
double power_of_ten(int k) { return std::pow(10.0, k); }

// m / 10^h computed as the format does: a multiplication by 1/10^h or by 10^-h.
// Below 1e-300 the factor is split so that it stays finite.
double scale(double m, int h) {
    if (h > 0) return m * (1.0 / power_of_ten(h));
    if (-h > 300) return (m * 1e300) * power_of_ten(-h - 300);
    return m * power_of_ten(-h);
}

// h with 1 <= m / 10^h < 10, from the logarithm and one correction.
int decimal_exponent(double m) {
    int h = static_cast<int>(std::trunc(std::log(m) / kLn10));
    if (m < 1.0) --h;
    const double t = scale(m, h);
    if (t >= 10.0) ++h;
    else if (t < 1.0) --h;
    return h;
}

int digit_of(double t) {
    const int d = static_cast<int>(t);
    return d < 0 ? 0 : (d > 9 ? 9 : d);
}

char* put_exponent(char* o, int h) {
    *o++ = 'e';
    if (h < 0) { *o++ = '-'; h = -h; }
    char tmp[8];
    int k = 0;
    do { tmp[k++] = static_cast<char>('0' + h % 10); h /= 10; } while (h > 0);
    while (k > 0) *o++ = tmp[--k];
    return o;
}

// Lays out n digits with decimal exponent h (the three layouts of the format).
char* lay_out(char* o, const char* digits, int n, int h, int precision) {
    if (h >= 0 && h < n) {
        std::memcpy(o, digits, h + 1);
        o += h + 1;
        *o++ = '.';
        std::memcpy(o, digits + h + 1, n - h - 1);
        return o + (n - h - 1);
    }
    if (h >= -3 && h <= -1 && precision >= 8) {
        *o++ = '0';
        *o++ = '.';
        for (int z = 0; z < -h - 1; ++z) *o++ = '0';
        std::memcpy(o, digits, n);
        return o + n;
    }
    *o++ = digits[0];
    *o++ = '.';
    std::memcpy(o, digits + 1, n - 1);
    return put_exponent(o + (n - 1), h);
}

size_t put_text(char* out, const char* text) {
    std::strcpy(out, text);
    return std::strlen(text);
}

const char* skip_to_number(const char* p, bool allowPlus, bool allowPoint) {
    while (*p != '\0' && !(*p >= '0' && *p <= '9') && *p != '-' && !(allowPlus && *p == '+') &&
           !(allowPoint && *p == '.'))
        ++p;
    return p;
}

// The integer parse from p; *end receives the first character not used.
long long integer_from(const char* p, const char** end) {
    p = skip_to_number(p, true, false);
    bool negative = false;
    if (*p == '-') { negative = true; ++p; }
    else if (*p == '+') ++p;
    unsigned long long v = 0;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned d = static_cast<unsigned>(*p - '0');
        v = (v > (limit - d) / 10) ? limit : v * 10 + d;
    }
    if (end != nullptr) *end = p;
    if (!negative) return static_cast<long long>(v);
    return v == limit ? std::numeric_limits<long long>::min() : -static_cast<long long>(v);
}

}  // namespace

size_t format_double(double value, int precision, char* out) {
    if (precision < 2) precision = 2;
    if (precision > 19) precision = 19;
    if (std::isnan(value)) return put_text(out, "nan");
    const bool negative = std::signbit(value);
    const double m = std::fabs(value);
    if (m == 0.0) return put_text(out, "0.");
    if (std::isinf(m)) return put_text(out, negative ? "-inf" : "inf");

    int h = decimal_exponent(m);
    double t = scale(m, h);
    char digits[20];
    for (int i = 0; i < precision; ++i) {
        const int d = digit_of(t);
        digits[i] = static_cast<char>('0' + d);
        t = (t - d) * 10.0;
    }
    int n = precision;
    if (digit_of(t) <= 5) {
        while (n > 0 && digits[n - 1] == '0') --n;
        if (n == 0) return put_text(out, "0.");
    } else {
        while (n > 0 && digits[n - 1] == '9') --n;
        if (n == 0) {
            digits[0] = '1';
            n = 1;
            ++h;
        } else {
            ++digits[n - 1];
        }
    }
    char* o = out;
    if (negative) *o++ = '-';
    o = lay_out(o, digits, n, h, precision);
    *o = '\0';
    return static_cast<size_t>(o - out);
}

long long parse_integer(const char* text) { return integer_from(text, nullptr); }

double parse_real(const char* text) {
    const char* p = skip_to_number(text, false, true);
    bool negative = false;
    if (*p == '-') { negative = true; ++p; }
    double v = 0.0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v * 10.0 + (*p - '0');
    if (*p == '.') {
        ++p;
        for (int k = 1; *p >= '0' && *p <= '9'; ++p, ++k) v += (*p - '0') * std::pow(10.0, -k);
    }
    if (*p == 'e' || *p == 'E') {
        long long e = integer_from(p + 1, nullptr);
        if (e > 9999) e = 9999;
        if (e < -9999) e = -9999;
        v *= std::pow(10.0, static_cast<double>(e));
    }
    return negative ? -v : v;
}

bool parse_boolean(const char* text) {
    char word[7] = {};
    for (int i = 0; i < 6 && text[i] != '\0'; ++i) {
        const char c = text[i];
        word[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    static const char* const falseWords[] = {"", "0", "f", "false", "faux", "n", "no", "non"};
    for (const char* w : falseWords)
        if (std::strcmp(word, w) == 0) return false;
    return true;
}

}  // namespace ternex_text

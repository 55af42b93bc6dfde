// The console's number texts: the real-number format and the parses of typed
// numbers and booleans. Pure functions on Windows-1252 text.
#pragma once

#include <cstddef>

namespace ternex_text {

// Longest text format_double writes, NUL included.
inline constexpr size_t kDoubleTextSize = 40;

// Writes value with `precision` (2..19) significant digits in the console's
// format (1.0 -> "1.", 400.0 -> "4.e2", 0.005 -> "0.005") and returns the
// length. out holds kDoubleTextSize bytes.
size_t format_double(double value, int precision, char* out);

// Skips to the first digit, '+' or '-', then reads decimal digits; 0 when
// there is none. Saturates at the limits of long long.
long long parse_integer(const char* text);

// Sign, digits, '.', fraction digits, then 'e' or 'E' and an integer.
double parse_real(const char* text);

// False for "", "0", "f", "false", "faux", "n", "no", "non" (first six
// characters, ASCII case ignored), true for anything else.
bool parse_boolean(const char* text);

}  // namespace ternex_text

// The real-number format and the parses of typed numbers and booleans.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ternex/number_format.h"

namespace {

std::string Format(double value, int precision) {
    char text[ternex_text::kDoubleTextSize];
    const size_t n = ternex_text::format_double(value, precision, text);
    EXPECT_EQ(n, std::string(text).size());
    return text;
}

TEST(ternexDoubleFormat, ShellPrecisionExamples) {
    EXPECT_EQ(Format(1.0, 9), "1.");
    EXPECT_EQ(Format(12.0, 9), "12.");
    EXPECT_EQ(Format(400.0, 9), "4.e2");
    EXPECT_EQ(Format(1000.0, 9), "1.e3");
    EXPECT_EQ(Format(0.25, 9), "0.25");
    EXPECT_EQ(Format(0.005, 9), "0.005");
    EXPECT_EQ(Format(0.00012345, 9), "1.2345e-4");
    EXPECT_EQ(Format(2.718281828459045, 9), "2.71828183");
    EXPECT_EQ(Format(74892.4312345678, 9), "74892.4312");
    EXPECT_EQ(Format(-0.0125, 9), "-0.0125");
}

TEST(ternexDoubleFormat, ZeroHasNoSign) {
    EXPECT_EQ(Format(0.0, 9), "0.");
    EXPECT_EQ(Format(-0.0, 9), "0.");
    EXPECT_EQ(Format(0.0, 2), "0.");
}

TEST(ternexDoubleFormat, LeadingZeroLayoutNeedsEightDigits) {
    EXPECT_EQ(Format(0.25, 7), "2.5e-1");
    EXPECT_EQ(Format(0.25, 8), "0.25");
    EXPECT_EQ(Format(0.001, 9), "0.001");      // h = -3: still fixed
    EXPECT_EQ(Format(0.0001, 9), "1.e-4");     // h = -4: scientific
    EXPECT_EQ(Format(-0.005, 7), "-5.e-3");
}

TEST(ternexDoubleFormat, OnlyTheNextDigitRounds) {
    EXPECT_EQ(Format(1.25, 2), "1.2");  // next digit 5: down
    EXPECT_EQ(Format(1.26, 2), "1.3");
    EXPECT_EQ(Format(1.2549, 3), "1.25");  // 1.25|4|9: the 9 after is ignored
    EXPECT_EQ(Format(1.97, 2), "2.");      // 1.9|6: the 9 is dropped, 1 -> 2
    EXPECT_EQ(Format(1.96, 2), "1.9");     // 1.95999...: 1.9|5
    EXPECT_EQ(Format(-2.718281828459045, 9), "-2.71828183");
}

TEST(ternexDoubleFormat, AllNinesCarryIntoTheExponent) {
    EXPECT_EQ(Format(999.9999999999, 9), "1.e3");
    EXPECT_EQ(Format(9.96, 2), "1.e1");
    EXPECT_EQ(Format(0.0999999999999, 9), "0.1");
    EXPECT_EQ(Format(-99.99999999999, 9), "-1.e2");
}

TEST(ternexDoubleFormat, FixedUntilTheDigitsRunOut) {
    EXPECT_EQ(Format(123.0, 9), "123.");
    EXPECT_EQ(Format(123456789.0, 9), "123456789.");
    EXPECT_EQ(Format(1234567890.0, 9), "1.23456789e9");
    EXPECT_EQ(Format(1234567890.0, 10), "1.23456789e9");  // the trailing 0 is dropped first
    EXPECT_EQ(Format(1234567891.0, 10), "1234567891.");
    EXPECT_EQ(Format(1.5, 10), "1.5");
}

TEST(ternexDoubleFormat, ExtremeMagnitudes) {
    EXPECT_EQ(Format(1e300, 9), "1.e300");
    EXPECT_EQ(Format(-1e-300, 9), "-1.e-300");
    EXPECT_EQ(Format(std::numeric_limits<double>::max(), 9), "1.79769313e308");
    EXPECT_EQ(Format(std::numeric_limits<double>::denorm_min(), 9), "4.94065646e-324");
    EXPECT_EQ(Format(1.0 / 3.0, 19).substr(0, 17), "0.333333333333333");
    EXPECT_LE(Format(-1.0 / 3.0, 19).size() + 1, ternex_text::kDoubleTextSize);
}

TEST(ternexDoubleFormat, NonFiniteValuesHaveAText) {
    EXPECT_EQ(Format(std::numeric_limits<double>::infinity(), 9), "inf");
    EXPECT_EQ(Format(-std::numeric_limits<double>::infinity(), 9), "-inf");
    EXPECT_EQ(Format(std::nan(""), 9), "nan");
}

TEST(ternexIntegerParse, SkipsToTheFirstSignOrDigit) {
    EXPECT_EQ(ternex_text::parse_integer("  -42x"), -42);
    EXPECT_EQ(ternex_text::parse_integer("abc"), 0);
    EXPECT_EQ(ternex_text::parse_integer(""), 0);
    EXPECT_EQ(ternex_text::parse_integer("x+17 5"), 17);
    EXPECT_EQ(ternex_text::parse_integer("n=-"), 0);
    EXPECT_EQ(ternex_text::parse_integer("+-5"), 0);
    EXPECT_EQ(ternex_text::parse_integer("007"), 7);
}

TEST(ternexIntegerParse, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(ternex_text::parse_integer("9223372036854775807"), std::numeric_limits<long long>::max());
    EXPECT_EQ(ternex_text::parse_integer("99999999999999999999999"), std::numeric_limits<long long>::max());
    EXPECT_EQ(ternex_text::parse_integer("-9223372036854775808"), std::numeric_limits<long long>::min());
    EXPECT_EQ(ternex_text::parse_integer("-99999999999999999999999"), std::numeric_limits<long long>::min());
}

TEST(ternexRealParse, SignDigitsFractionExponent) {
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("1.5e-3"), 0.0015);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("  -2.25"), -2.25);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("x=3E2"), 300.0);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("7e+1"), 70.0);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(ternex_text::parse_real("+4"), 4.0);  // '+' is skipped like any other character
    EXPECT_EQ(ternex_text::parse_real("abc"), 0.0);
    EXPECT_EQ(ternex_text::parse_real(""), 0.0);
    EXPECT_EQ(ternex_text::parse_real("-"), 0.0);
}

TEST(ternexRealParse, HugeExponentsStayDefined) {
    EXPECT_TRUE(std::isinf(ternex_text::parse_real("1e99999999999999999999")));
    EXPECT_EQ(ternex_text::parse_real("1e-99999999999999999999"), 0.0);
}

TEST(ternexBooleanRule, FalseWordsInAnyCase) {
    for (const char* word : {"", "0", "f", "false", "faux", "n", "no", "non", "Non", "FAUX", "FaLsE", "N"})
        EXPECT_FALSE(ternex_text::parse_boolean(word)) << word;
    for (const char* word : {"oui", "yes", "1", "vrai", "t", " non", "nonsense", "falsey"})
        EXPECT_TRUE(ternex_text::parse_boolean(word)) << word;
}

TEST(ternexBooleanRule, OnlyTheFirstSixCharactersCount) {
    EXPECT_TRUE(ternex_text::parse_boolean("false!"));
    EXPECT_TRUE(ternex_text::parse_boolean("faux  x"));
}

}  // namespace

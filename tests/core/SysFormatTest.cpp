#include "core/SysFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace kivra {
namespace {

std::string Bad(const std::string& templ) { return "Формат \"" + templ + "\" неверен или несовместим с аргументами"; }

// Restores the decimal separator a test has changed.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char separator) : saved_(DecimalSeparator()) { SetDecimalSeparator(separator); }
  ~SeparatorGuard() { SetDecimalSeparator(saved_); }

 private:
  char saved_;
};

struct IntCase {
  const char* templ;
  int64_t value;
  const char* expected;
};

TEST(SysFormat, IntegerTypes) {
  const IntCase cases[] = {
      {"%d", 0, "0"},
      {"%d", -42, "-42"},
      {"%.2d", 5, "05"},
      {"%.3d", -7, "-007"},
      {"%.d", 0, "0"},
      {"%.0d", 12, "12"},
      {"%5d", -12, "  -12"},
      {"%-5d|", 12, "12   |"},
      {"%6.3d", -7, "  -007"},
      {"%d", std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
      {"%d", std::numeric_limits<int64_t>::max(), "9223372036854775807"},
      {"%u", 7, "7"},
      {"%u", -1, "4294967295"},
      {"%u", int64_t{-5000000000}, "18446744068709551616"},
      {"%x", 255, "FF"},
      {"%.8x", 48879, "0000BEEF"},
      {"%x", -1, "FFFFFFFF"},
      {"%x", int64_t{0x123456789A}, "123456789A"},
      {"%X", 10, "A"},
      {"%p", 0x1F, "0000001F"},
      {"%10p", 0x1F, "  0000001F"},
      {"%D", 3, "3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SysFormat(c.templ, {c.value}), c.expected) << c.templ << " of " << c.value;
  }
}

TEST(SysFormat, ArgumentIndexAndStars) {
  EXPECT_EQ(SysFormat("%1:s %s", {"a", "b", "c"}), "b c");
  EXPECT_EQ(SysFormat("%s%0:s%s", {"a", "b"}), "aab");
  EXPECT_EQ(SysFormat("%2:d-%0:d-%d", {1, 2, 3}), "3-1-2");
  EXPECT_EQ(SysFormat("[%*d]", {5, 42}), "[   42]");
  EXPECT_EQ(SysFormat("[%-*d]", {4, 7}), "[7   ]");
  EXPECT_EQ(SysFormat("%.*f", {3, 1.5}), "1.500");
  EXPECT_EQ(SysFormat("%*.*f", {7, 1, 2.25}), "    2.3");
  EXPECT_EQ(SysFormat("%*:s", {1, "x", "y"}), "x");
  // A negative star width is ignored; a negative star precision means the default.
  EXPECT_EQ(SysFormat("[%*d]", {-5, 42}), "[42]");
  EXPECT_EQ(SysFormat("%.*f", {-1, 1.0}), "1.00");
}

TEST(SysFormat, LiteralTextAndPercent) {
  EXPECT_EQ(SysFormat("", {}), "");
  EXPECT_EQ(SysFormat("Тираж без аргументов", {}), "Тираж без аргументов");
  EXPECT_EQ(SysFormat("100%% из %d%%", {45}), "100% из 45%");
  EXPECT_EQ(SysFormat("%%d", {}), "%d");
}

TEST(SysFormat, TextCountsCharactersNotBytes) {
  EXPECT_EQ(SysFormat("%s", {std::string("ж\0z", 3)}), std::string("ж\0z", 3));
  EXPECT_EQ(SysFormat("%.3s", {"Тиражи"}), "Тир");
  EXPECT_EQ(SysFormat("%.10s", {"Тир"}), "Тир");
  EXPECT_EQ(SysFormat("%.0s|", {"Тир"}), "|");
  EXPECT_EQ(SysFormat("[%6s]", {"Шар"}), "[   Шар]");
  EXPECT_EQ(SysFormat("[%-6s]", {"Шар"}), "[Шар   ]");
  EXPECT_EQ(SysFormat("[%2s]", {"Шары"}), "[Шары]");
  EXPECT_EQ(SysFormat("[%5.2s]", {"Шары"}), "[   Ша]");
}

struct FloatCase {
  const char* templ;
  long double value;
  const char* expected;
};

// Half of the last shown digit rounds away from zero on the 18-digit decimal expansion, so a
// double stored just below the half (2.675) rounds down while an exact half rounds up.
TEST(SysFormat, FixedRounding) {
  const FloatCase cases[] = {
      {"%f", 1.0, "1.00"},
      {"%.2f", 3.125, "3.13"},
      {"%.0f", 2.5, "3"},
      {"%.0f", -2.5, "-3"},
      {"%.0f", 0.5, "1"},
      {"%.0f", 0.49, "0"},
      {"%.2f", -0.125, "-0.13"},
      {"%.2f", 2.675, "2.67"},
      {"%.2f", 1.005, "1.00"},
      {"%.3f", 1.0005, "1.000"},
      {"%.2f", 9.995, "9.99"},
      {"%.2f", 9.9951, "10.00"},
      {"%.1f", 0.05, "0.1"},
      {"%.1f", 0.04, "0.0"},
      {"%.2f", -0.001, "0.00"},
      {"%.2f", -0.0, "0.00"},
      {"%.5f", 0.000015, "0.00002"},
      {"%.3f", 123456.0, "123456.000"},
      {"%.0f", 1e20, "100000000000000000000"},
      {"%.20f", 0.1, "0.10000000000000000600"},
      {"%8.2f", -1.5, "   -1.50"},
      {"%-8.1f|", 1.25, "1.3     |"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SysFormat(c.templ, {c.value}), c.expected) << c.templ << " of " << static_cast<double>(c.value);
  }
}

TEST(SysFormat, ScientificAndGeneral) {
  const FloatCase cases[] = {
      {"%e", 1234.5, "1.23450000000000E+003"},
      {"%.3e", 1234.5, "1.23E+003"},
      {"%.3e", 1235.0, "1.24E+003"},
      {"%.2e", 9.96, "1.0E+001"},
      {"%.2e", -1.5e-10, "-1.5E-010"},
      {"%.1e", 1e300, "1E+300"},
      {"%.1e", 1e-4000L, "1E-4000"},
      {"%.0e", 7.0, "7E+000"},
      {"%.4e", 0.0, "0.000E+000"},
      {"%.4e", -0.0, "0.000E+000"},
      {"%g", 100.0, "100"},
      {"%g", 0.1, "0.1"},
      {"%g", -12.5, "-12.5"},
      {"%g", 1e20, "1E20"},
      {"%g", 0.0001, "0.0001"},
      {"%g", 0.00001, "1E-5"},
      {"%g", -0.0, "0"},
      {"%.4g", 123.456, "123.5"},
      {"%.3g", 1234.5, "1.23E3"},
      {"%.3g", 999.6, "1E3"},
      {"%G", 2.5, "2.5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SysFormat(c.templ, {c.value}), c.expected) << c.templ << " of " << static_cast<double>(c.value);
  }
}

TEST(SysFormat, NumberAndMoneyGroupThousands) {
  const FloatCase cases[] = {
      {"%.3n", 1234567.891, "1 234 567.891"},
      {"%n", -1234.5, "-1 234.50"},
      {"%n", 999.999, "1 000.00"},
      {"%.0n", 123.0, "123"},
      {"%.0n", 123456.0, "123 456"},
      {"%.0n", -100000.0, "-100 000"},
      {"%n", 0.0, "0.00"},
      {"%m", 1234.5, "1 234.50"},
      {"%m", 1234567.125, "1 234 567.13"},
      {"%.0m", 1500.0, "1 500"},
      {"%12m", -1234.5, "   -1 234.50"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SysFormat(c.templ, {c.value}), c.expected) << c.templ << " of " << static_cast<double>(c.value);
  }
}

TEST(SysFormat, FloatTypesAcceptIntegers) {
  EXPECT_EQ(SysFormat("%f|%.0e|%g|%n|%m", {5, 5, 5, 12345, 12345}), "5.00|5E+000|5|12 345.00|12 345.00");
  EXPECT_EQ(SysFormat("%.0f", {std::numeric_limits<int64_t>::min()}), "-9223372036854775810");
}

TEST(SysFormat, NonFiniteValues) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  for (const char* templ : {"%f", "%.3e", "%g", "%n", "%m"}) {
    EXPECT_EQ(SysFormat(templ, {nan}), "NAN") << templ;
    EXPECT_EQ(SysFormat(templ, {inf}), "INF") << templ;
    EXPECT_EQ(SysFormat(templ, {-inf}), "-INF") << templ;
  }
  EXPECT_EQ(SysFormat("[%6f]", {-inf}), "[  -INF]");
}

TEST(SysFormat, DecimalSeparatorSetting) {
  EXPECT_EQ(DecimalSeparator(), '.');
  {
    SeparatorGuard guard(',');
    EXPECT_EQ(SysFormat("%.2f %.3e %g %.1n %m", {1.5, 1.5, 0.25, 1234.5, 2.0}), "1,50 1,50E+000 0,25 1 234,5 2,00");
    EXPECT_EQ(FloatToText(12.5), "12,5");
    EXPECT_EQ(FloatToText(1.5e20), "1,5E20");
    EXPECT_EQ(SysFormat("%d %s", {1234, "1.5"}), "1234 1.5");
  }
  EXPECT_EQ(SysFormat("%.1f", {1.5}), "1.5");
}

TEST(SysFormat, MismatchGivesErrorText) {
  EXPECT_EQ(SysFormat("%d", {}), Bad("%d"));
  const struct {
    const char* templ;
    TFormatArg arg;
  } cases[] = {
      {"%d", "12"}, {"%d", 1.0}, {"%u", "x"},   {"%x", 1.5}, {"%p", "x"}, {"%f", "1.5"}, {"%e", "x"},
      {"%g", "x"},  {"%n", "x"}, {"%m", "x"},   {"%s", 5},   {"%s", 2.5}, {"%q", 1},     {"%y", "x"},
      {"abc %", 1}, {"%5", 1},   {"%1:", 1},    {"%.", 1},   {"%-", 1},   {"%2:d", 1},   {"%d %d", 1},
      {"%*d", "x"}, {"%*d", 1},  {"%.*f", 2.0}, {"%-%", 1},  {"%:d", 1},  {"%5-d", 1},   {"%1:d %s", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SysFormat(c.templ, {c.arg}), Bad(c.templ)) << c.templ;
  }
  // Unused arguments are not an error.
  EXPECT_EQ(SysFormat("%d", {1, 2}), "1");
}

TEST(SysFormat, HugeWidthAndPrecisionAreClamped) {
  EXPECT_EQ(SysFormat("%999999999d", {7}).size(), 1024u);
  EXPECT_EQ(SysFormat("%-99999999999999999999d", {7}).size(), 1024u);
  EXPECT_EQ(SysFormat("%.999999999d", {7}).size(), 1024u);
  EXPECT_EQ(SysFormat("%.999999999f", {0.5}).size(), 2u + 1024u);
  EXPECT_EQ(SysFormat("%*d", {2000000000, 1}).size(), 1024u);
  EXPECT_EQ(SysFormat("%.999999999e", {0.5}), "5.00000000000000000E-001");
  EXPECT_EQ(SysFormat("%99999999999:d", {7}), Bad("%99999999999:d"));
}

TEST(FloatToText, ShortestFormUpTo15Digits) {
  const struct {
    long double value;
    const char* expected;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {-1.0, "-1"},
      {12.3457, "12.3457"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {100.0, "100"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-0.000015, "-1.5E-5"},
      {999999999999999.0, "999999999999999"},
      {1e15, "1E15"},
      {123456789012345680000.0, "1.23456789012346E20"},
      {0.9999999999999999, "1"},
      {1e300, "1E300"},
      {std::numeric_limits<long double>::infinity(), "INF"},
      {-std::numeric_limits<long double>::infinity(), "-INF"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToText(c.value), c.expected) << static_cast<double>(c.value);
  }
}

TEST(TextToFloat, AcceptsBothPointsSignsAndExponents) {
  const struct {
    const char* text;
    long double expected;
  } cases[] = {
      {"0", 0.0L},   {"12.5", 12.5L},    {"12,5", 12.5L},  {"  -3.25\t", -3.25L}, {"+7", 7.0L},
      {".5", 0.5L},  {"5.", 5.0L},       {"1E3", 1000.0L}, {"1.5e-3", 0.0015L},   {"-2,5E+2", -250.0L},
      {"007", 7.0L}, {"1e-99999", 0.0L}, {"0.1", 0.1L},
  };
  for (const auto& c : cases) {
    long double value = -999;
    EXPECT_TRUE(TextToFloat(c.text, value)) << c.text;
    EXPECT_EQ(value, c.expected) << c.text;
  }
}

TEST(TextToFloat, RejectsNonNumbersAndKeepsValue) {
  for (const char* text : {"",   "   ", "-",  "+",   ".",   ",",   "abc", "1.2.3",     "1,2.3", "12a",     "1 000",
                           "1e", "1e+", "e5", "--1", "nan", "NAN", "inf", "-Infinity", "0x10",  "1e99999", "1.5 x"}) {
    long double value = 42;
    EXPECT_FALSE(TextToFloat(text, value)) << text;
    EXPECT_EQ(value, 42) << text;
  }
}

// The C library's locale must not leak into either direction of the conversion.
TEST(SysFormat, IndependentOfCLocale) {
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  // scripts/install-deps.sh generates ru_RU.UTF-8; without such a locale the check would prove nothing.
  ASSERT_NE(chosen, nullptr) << "no locale with a comma decimal point installed";
  const std::string f = SysFormat("%.3f %.2e %g", {1.5, 1.5, 0.25});
  const std::string t = FloatToText(2.5);
  long double value = 0;
  const bool ok = TextToFloat("3.75", value);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(f, "1.500 1.5E+000 0.25");
  EXPECT_EQ(t, "2.5");
  EXPECT_TRUE(ok);
  EXPECT_EQ(value, 3.75L);
}

}  // namespace
}  // namespace kivra

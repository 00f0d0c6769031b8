// The format dialect of the program's message and caption templates:
// "%" [index ":"] ["-"] [width] ["." precision] type, with the types d u x e f g n m s p and "%%".
// Numbers use the configured decimal separator. A template that does not fit its arguments gives a
// visible error text instead of failing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace kivra {

// One argument of a template: an integer, a floating value or a text (UTF-8).
class TFormatArg {
 public:
  TFormatArg(int v) : value_(int64_t{v}) {}
  TFormatArg(unsigned v) : value_(int64_t{v}) {}
  TFormatArg(long v) : value_(int64_t{v}) {}
  TFormatArg(unsigned long v) : value_(static_cast<int64_t>(v)) {}
  TFormatArg(long long v) : value_(int64_t{v}) {}
  TFormatArg(unsigned long long v) : value_(static_cast<int64_t>(v)) {}
  TFormatArg(double v) : value_(static_cast<long double>(v)) {}
  TFormatArg(long double v) : value_(v) {}
  TFormatArg(const char* v) : value_(std::string(v)) {}
  TFormatArg(std::string_view v) : value_(std::string(v)) {}
  TFormatArg(const std::string& v) : value_(v) {}

  const std::variant<int64_t, long double, std::string>& Value() const { return value_; }

 private:
  std::variant<int64_t, long double, std::string> value_;
};

// Formats the template with the arguments. An explicit index ("%1:s") moves the argument cursor, so
// "%1:s %s" takes arguments 1 and 2. Floating values are rounded half away from zero on their
// 18-digit decimal expansion ("%.2f" of 3.125 -> "3.13", of 2.675 -> "2.67"). "%u", "%x" and "%p" show
// a negative value of the 32-bit range as a 32-bit unsigned one (-1 -> 4294967295 / FFFFFFFF).
// "%g" gives the FloatToText form with up to precision (default 15) digits. Width and precision
// are clamped to 1024.
std::string SysFormat(std::string_view templ, std::initializer_list<TFormatArg> args);

// The decimal separator used by "%f", "%e", "%g", "%n", "%m" and by FloatToText (default '.').
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// A floating value in the shortest decimal form, up to 15 significant digits, with the configured
// decimal separator ("12.5", "-1", "0", "1E20").
std::string FloatToText(long double value);
// Reads a floating value written with "." or "," as the decimal point (so a file written under
// another separator still reads), blanks around allowed. Returns false when the text is not a number.
bool TextToFloat(std::string_view text, long double& value);

}  // namespace kivra

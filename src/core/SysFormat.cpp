#include "core/SysFormat.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kivra {

namespace {

std::atomic<char> g_decimal_separator{'.'};

// Width and precision are clamped so that a broken template cannot ask for gigabytes.
constexpr int kMaxWidth = 1024;
constexpr int kMaxPrecision = 1024;
// Floating values are taken as 18 significant decimal digits, then rounded half away from zero
// on that digit string; this keeps 3.125 -> "3.13" while 2.675 (stored as 2.67499999...) -> "2.67".
constexpr int kSignificantDigits = 18;
constexpr int kDefaultGeneralDigits = 15;

// |value| = digits[0].digits[1]digits[2]... * 10^exponent; count == 0 means zero.
// Trailing zero digits are never kept, so count is the number of significant digits.
struct TDecimal {
  char digits[kSignificantDigits];
  int count = 0;
  int exponent = 0;
  bool negative = false;

  char DigitAt(int index) const { return index >= 0 && index < count ? digits[index] : '0'; }

  void DropTrailingZeros() {
    while (count > 0 && digits[count - 1] == '0') --count;
    if (count == 0) exponent = 0;
  }

  // Keeps the first `keep` digits (keep may be zero or negative), rounding half up in magnitude.
  void RoundTo(int keep) {
    if (keep >= count) return;
    if (keep < 0) {
      count = 0;
      exponent = 0;
      return;
    }
    const bool up = digits[keep] >= '5';
    count = keep;
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') --i;
      if (i < 0) {  // 9.99 -> 10, or 0.5 rounded to no digits -> 1
        digits[0] = '1';
        count = 1;
        ++exponent;
      } else {
        ++digits[i];
        count = i + 1;
      }
    }
    DropTrailingZeros();
  }
};

// The decimal expansion of a finite value to 18 significant digits.
TDecimal Decompose(long double value) {
  TDecimal d;
  d.negative = std::signbit(value);
  const long double magnitude = std::fabs(value);
  if (magnitude == 0) return d;
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*Le", kSignificantDigits - 1, magnitude);
  // "d.ddd...e+XX": the point is whatever the C locale uses, so only the digits are taken.
  int i = 0;
  for (; i < n && buf[i] != 'e'; ++i) {
    if (buf[i] >= '0' && buf[i] <= '9' && d.count < kSignificantDigits) d.digits[d.count++] = buf[i];
  }
  ++i;  // skip 'e'
  bool negative_exponent = false;
  if (i < n && (buf[i] == '+' || buf[i] == '-')) negative_exponent = buf[i++] == '-';
  int exponent = 0;
  for (; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i) exponent = exponent * 10 + (buf[i] - '0');
  d.exponent = negative_exponent ? -exponent : exponent;
  d.DropTrailingZeros();
  return d;
}

// Appends NAN / INF / -INF and returns true when the value is not finite.
bool AppendNonFinite(std::string& out, long double value) {
  if (std::isnan(value)) {
    out += "NAN";
    return true;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

void AppendExponentDigits(std::string& out, int exponent, int min_digits) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf, exponent < 0 ? -exponent : exponent);
  const int len = static_cast<int>(res.ptr - buf);
  if (len < min_digits) out.append(static_cast<size_t>(min_digits - len), '0');
  out.append(buf, res.ptr);
}

// Fixed notation with `precision` decimals; thousands groups separated by ' ' when asked.
void AppendFixed(std::string& out, long double value, int precision, bool thousands, char separator) {
  if (AppendNonFinite(out, value)) return;
  TDecimal d = Decompose(value);
  d.RoundTo(d.exponent + 1 + precision);
  if (d.negative && d.count > 0) out += '-';  // a value rounded to zero loses its sign
  const int int_digits = d.count > 0 && d.exponent >= 0 ? d.exponent + 1 : 0;
  if (int_digits == 0) {
    out += '0';
  } else {
    for (int i = 0; i < int_digits; ++i) {
      if (thousands && i > 0 && (int_digits - i) % 3 == 0) out += ' ';
      out += d.DigitAt(i);
    }
  }
  if (precision > 0) {
    out += separator;
    for (int j = 1; j <= precision; ++j) out += d.DigitAt(d.exponent + j);
  }
}

// "d.dddE+ddd" with `digits` significant digits in all and an exponent of at least 3 digits.
void AppendScientific(std::string& out, long double value, int digits, char separator) {
  if (AppendNonFinite(out, value)) return;
  digits = std::clamp(digits, 1, kSignificantDigits);
  TDecimal d = Decompose(value);
  d.RoundTo(digits);
  if (d.negative && d.count > 0) out += '-';
  out += d.DigitAt(0);
  if (digits > 1) {
    out += separator;
    for (int i = 1; i < digits; ++i) out += d.DigitAt(i);
  }
  out += 'E';
  out += d.exponent < 0 ? '-' : '+';
  AppendExponentDigits(out, d.exponent, 3);
}

// The shortest form with up to `digits` significant digits: plain while the integer part has at
// most `digits` digits and the value is at least 1E-4, otherwise "1.5E20" / "1E-5".
void AppendGeneral(std::string& out, long double value, int digits, char separator) {
  if (AppendNonFinite(out, value)) return;
  digits = std::clamp(digits, 1, kSignificantDigits);
  TDecimal d = Decompose(value);
  d.RoundTo(digits);
  if (d.count == 0) {
    out += '0';
    return;
  }
  if (d.negative) out += '-';
  const int e = d.exponent;
  if (e >= digits || e < -4) {
    out += d.digits[0];
    if (d.count > 1) {
      out += separator;
      out.append(d.digits + 1, d.digits + d.count);
    }
    out += 'E';
    if (e < 0) out += '-';
    AppendExponentDigits(out, e, 1);
  } else if (e < 0) {
    out += '0';
    out += separator;
    out.append(static_cast<size_t>(-e - 1), '0');
    out.append(d.digits, d.digits + d.count);
  } else {
    for (int i = 0; i <= e; ++i) out += d.DigitAt(i);
    if (d.count > e + 1) {
      out += separator;
      out.append(d.digits + e + 1, d.digits + d.count);
    }
  }
}

void AppendUnsigned(std::string& out, uint64_t value, int min_digits, bool hex) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, hex ? 16 : 10);
  const int len = static_cast<int>(res.ptr - buf);
  if (len < min_digits) out.append(static_cast<size_t>(min_digits - len), '0');
  for (const char* p = buf; p != res.ptr; ++p) out += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 'a' + 'A') : *p;
}

// "%u" / "%x" / "%p" of a negative value: a value in the 32-bit range shows as its 32-bit two's
// complement (-1 -> 4294967295 / FFFFFFFF, as for a 32-bit integer), a lower one as 64-bit.
uint64_t AsUnsigned(int64_t v) {
  if (v < 0 && v >= std::numeric_limits<int32_t>::min()) return static_cast<uint32_t>(v);
  return static_cast<uint64_t>(v);
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The byte length of the first `chars` UTF-8 characters of s.
size_t Utf8Prefix(std::string_view s, size_t chars) {
  size_t seen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (seen == chars) return i;
      ++seen;
    }
  }
  return s.size();
}

std::string ErrorText(std::string_view templ) {
  std::string text = "Формат \"";
  text += templ;
  text += "\" неверен или несовместим с аргументами";
  return text;
}

// Walks one template. Every method returns false on a template/argument mismatch.
class TFormatter {
 public:
  TFormatter(std::string_view templ, std::initializer_list<TFormatArg> args)
      : templ_(templ), args_(args.begin()), arg_count_(args.size()), separator_(DecimalSeparator()) {}

  bool Run(std::string& out) {
    out.reserve(templ_.size() + 16 * arg_count_);
    while (pos_ < templ_.size()) {
      const size_t percent = templ_.find('%', pos_);
      if (percent == std::string_view::npos) {
        out.append(templ_.substr(pos_));
        break;
      }
      out.append(templ_.substr(pos_, percent - pos_));
      pos_ = percent + 1;
      if (pos_ < templ_.size() && templ_[pos_] == '%') {
        out += '%';
        ++pos_;
        continue;
      }
      if (!Specifier(out)) return false;
    }
    return true;
  }

 private:
  static constexpr int kNone = -1;

  bool AtEnd() const { return pos_ >= templ_.size(); }
  char Peek() const { return templ_[pos_]; }

  const TFormatArg* NextArg() {
    if (cursor_ >= arg_count_) return nullptr;
    return &args_[cursor_++];
  }

  // Digits or "*" (the next integer argument); kNone when neither is there. Large numbers are
  // capped well above every limit so that they cannot overflow.
  bool Number(int& value) {
    value = kNone;
    if (AtEnd()) return true;
    if (Peek() == '*') {
      ++pos_;
      const TFormatArg* arg = NextArg();
      const int64_t* v = arg ? std::get_if<int64_t>(&arg->Value()) : nullptr;
      if (v == nullptr) return false;
      // A negative "*" value means "not given", as if the number were absent.
      value = *v < 0 ? kNone : static_cast<int>(std::min<int64_t>(*v, 1'000'000'000));
      return true;
    }
    if (Peek() < '0' || Peek() > '9') return true;
    int64_t v = 0;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
      v = std::min<int64_t>(v * 10 + (Peek() - '0'), 1'000'000'000);
      ++pos_;
    }
    value = static_cast<int>(v);
    return true;
  }

  bool Specifier(std::string& out) {
    int first;
    if (!Number(first)) return false;
    bool left = false;
    int width = kNone;
    if (!AtEnd() && Peek() == ':') {
      ++pos_;
      if (first == kNone) return false;
      cursor_ = static_cast<size_t>(first);
      first = kNone;
    }
    if (first != kNone) {
      width = first;
    } else {
      if (!AtEnd() && Peek() == '-') {
        left = true;
        ++pos_;
      }
      if (!Number(width)) return false;
    }
    int precision = kNone;
    if (!AtEnd() && Peek() == '.') {
      ++pos_;
      const bool star = !AtEnd() && Peek() == '*';
      if (!Number(precision)) return false;
      if (precision == kNone && !star) precision = 0;  // "%.d" / "%.f"
    }
    if (AtEnd()) return false;
    const char type = Peek();
    ++pos_;
    if (width != kNone) width = std::min(width, kMaxWidth);
    if (precision != kNone) precision = std::min(precision, kMaxPrecision);

    const TFormatArg* arg = NextArg();
    if (arg == nullptr) return false;
    const size_t start = out.size();
    if (!Field(out, type, precision, *arg)) return false;
    if (width != kNone) {
      const size_t length = Utf8Length(std::string_view(out).substr(start));
      if (static_cast<size_t>(width) > length) {
        const size_t pad = static_cast<size_t>(width) - length;
        if (left) {
          out.append(pad, ' ');
        } else {
          out.insert(start, pad, ' ');
        }
      }
    }
    return true;
  }

  bool Field(std::string& out, char type, int precision, const TFormatArg& arg) const {
    const auto& value = arg.Value();
    const int64_t* integer = std::get_if<int64_t>(&value);
    const long double* floating = std::get_if<long double>(&value);
    const std::string* text = std::get_if<std::string>(&value);
    const int digits = precision == kNone ? 0 : precision;

    switch (type) {
      case 'd':
      case 'D':
        if (integer == nullptr) return false;
        if (*integer < 0) out += '-';
        // The magnitude via unsigned arithmetic, so that INT64_MIN works too.
        AppendUnsigned(out, *integer < 0 ? 0 - static_cast<uint64_t>(*integer) : static_cast<uint64_t>(*integer),
                       digits, false);
        return true;
      case 'u':
      case 'U':
        if (integer == nullptr) return false;
        AppendUnsigned(out, AsUnsigned(*integer), digits, false);
        return true;
      case 'x':
      case 'X':
        if (integer == nullptr) return false;
        AppendUnsigned(out, AsUnsigned(*integer), digits, true);
        return true;
      case 'p':
      case 'P':
        if (integer == nullptr) return false;
        AppendUnsigned(out, AsUnsigned(*integer), 8, true);
        return true;
      case 's':
      case 'S':
        if (text == nullptr) return false;
        if (precision == kNone) {
          out += *text;
        } else {
          out.append(*text, 0, Utf8Prefix(*text, static_cast<size_t>(precision)));
        }
        return true;
      default: break;
    }

    if (text != nullptr) return false;
    const long double number = floating != nullptr ? *floating : static_cast<long double>(*integer);
    switch (type) {
      case 'f':
      case 'F': AppendFixed(out, number, precision == kNone ? 2 : precision, false, separator_); return true;
      case 'n':
      case 'N':
      case 'm':
      case 'M': AppendFixed(out, number, precision == kNone ? 2 : precision, true, separator_); return true;
      case 'e':
      case 'E':
        AppendScientific(out, number, precision == kNone ? kDefaultGeneralDigits : precision, separator_);
        return true;
      case 'g':
      case 'G':
        AppendGeneral(out, number, precision == kNone ? kDefaultGeneralDigits : precision, separator_);
        return true;
      default: return false;
    }
  }

  std::string_view templ_;
  const TFormatArg* args_;
  size_t arg_count_;
  char separator_;
  size_t pos_ = 0;
  size_t cursor_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

std::string SysFormat(std::string_view templ, std::initializer_list<TFormatArg> args) {
  std::string out;
  TFormatter formatter(templ, args);
  if (!formatter.Run(out)) return ErrorText(templ);
  return out;
}

char DecimalSeparator() { return g_decimal_separator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char separator) { g_decimal_separator.store(separator, std::memory_order_relaxed); }

std::string FloatToText(long double value) {
  std::string out;
  AppendGeneral(out, value, kDefaultGeneralDigits, DecimalSeparator());
  return out;
}

bool TextToFloat(std::string_view text, long double& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  // The text is rewritten as "[-]DIGITSe[-]EXP" without any decimal point, so strtold sees
  // nothing that depends on the C locale.
  std::string normal;
  normal.reserve(text.size() + 16);
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') normal += '-';
    ++i;
  }
  size_t mantissa_digits = 0;
  int64_t fraction_digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      normal += c;
      ++mantissa_digits;
      if (point) ++fraction_digits;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (mantissa_digits == 0) return false;

  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t exponent_start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
    }
    if (i == exponent_start) return false;
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return false;

  normal += 'e';
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, exponent - fraction_digits);
  normal.append(buf, res.ptr);

  char* end = nullptr;
  const long double result = std::strtold(normal.c_str(), &end);
  if (end != normal.c_str() + normal.size() || !std::isfinite(result)) return false;  // overflow
  value = result;
  return true;
}

}  // namespace kivra

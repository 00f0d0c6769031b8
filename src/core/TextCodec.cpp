// Windows-1251 <-> UTF-8 with an own table, so that the result never depends on the locale or on
// what the system's converters happen to support.
#include "core/TextCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace kivra {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code points of the bytes 0x80..0xFF. 0x98 has no character in cp1251 and decodes to U+FFFD;
// U+FFFD itself has no cp1251 form, so it encodes to '?' like any other foreign character.
// clang-format off
constexpr std::array<char16_t, 128> kHighHalf = {
    // 0x80..0x8F
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    // 0x90..0x9F
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    // 0xA0..0xAF
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    // 0xB0..0xBF
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

// The reverse lookup for the 63 characters of 0x80..0xBF (А..я are handled by arithmetic):
// code points sorted ascending, searched by bisection.
struct TReverseEntry {
  char16_t codePoint;
  unsigned char byte;
};

constexpr size_t kIrregularCount = 0x40 - 1;  // 0x80..0xBF without 0x98

constexpr std::array<TReverseEntry, kIrregularCount> MakeReverseTable() {
  std::array<TReverseEntry, kIrregularCount> table{};
  size_t n = 0;
  for (size_t i = 0; i < 0x40; ++i) {
    if (kHighHalf[i] == kReplacement) continue;
    table[n++] = TReverseEntry{kHighHalf[i], static_cast<unsigned char>(0x80 + i)};
  }
  std::sort(table.begin(), table.end(),
            [](const TReverseEntry& a, const TReverseEntry& b) { return a.codePoint < b.codePoint; });
  return table;
}

constexpr std::array<TReverseEntry, kIrregularCount> kReverse = MakeReverseTable();

char EncodeCodePoint(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
  if (cp > 0xFFFF) return '?';
  const auto it = std::lower_bound(kReverse.begin(), kReverse.end(), cp,
                                   [](const TReverseEntry& e, char32_t value) { return e.codePoint < value; });
  if (it != kReverse.end() && it->codePoint == cp) return static_cast<char>(it->byte);
  return '?';
}

void AppendUtf8(std::string& out, char16_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 character at `pos` and advances past it. A malformed sequence yields
// U+FFFD and consumes only its longest valid-looking prefix (at least one byte), so that one bad
// byte costs one '?' and the text after it is still read correctly.
char32_t DecodeUtf8(std::string_view s, size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  size_t length;
  char32_t cp;
  // The allowed range of the second byte excludes overlong forms, surrogates and values above
  // U+10FFFF.
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    ++pos;  // a stray continuation byte, or a byte that never starts a sequence
    return kReplacement;
  }
  ++pos;
  for (size_t i = 1; i < length; ++i) {
    if (pos >= s.size()) return kReplacement;
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < lo || b > hi) return kReplacement;
    cp = (cp << 6) | (b & 0x3F);
    ++pos;
    lo = 0x80;
    hi = 0xBF;
  }
  return cp;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (const char c : cp1251) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      AppendUtf8(out, kHighHalf[byte - 0x80]);
    }
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {  // the common case, without the decoder
      out.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    out.push_back(EncodeCodePoint(DecodeUtf8(utf8, pos)));
  }
  return out;
}

uint8_t FoldCaseCp1251(uint8_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) return static_cast<uint8_t>(c + 0x20);
  switch (c) {
    case 0xA8: return 0xB8;  // Ё
    case 0x80: return 0x90;  // Ђ
    case 0x81: return 0x83;  // Ѓ
    case 0x8A: return 0x9A;  // Љ
    case 0x8C: return 0x9C;  // Њ
    case 0x8D: return 0x9D;  // Ќ
    case 0x8E: return 0x9E;  // Ћ
    case 0x8F: return 0x9F;  // Џ
    case 0xA1: return 0xA2;  // Ў
    case 0xA3: return 0xBC;  // Ј
    case 0xA5: return 0xB4;  // Ґ
    case 0xAA: return 0xBA;  // Є
    case 0xAF: return 0xBF;  // Ї
    case 0xB2: return 0xB3;  // І
    case 0xBD: return 0xBE;  // Ѕ
    default: return c;
  }
}

std::string FoldCaseCp1251(std::string_view cp1251) {
  std::string folded(cp1251);
  for (char& c : folded) c = static_cast<char>(FoldCaseCp1251(static_cast<uint8_t>(c)));
  return folded;
}

}  // namespace kivra

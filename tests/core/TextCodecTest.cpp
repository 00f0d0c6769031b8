#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/TextCodec.h"

namespace kivra {
namespace {

TEST(TextCodecTest, EveryAssignedByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != 0x98) all.push_back(static_cast<char>(b));
  }
  ASSERT_EQ(all.size(), 255u);
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1251(utf8), all);

  // Each byte alone decodes to a distinct character, so no two bytes share a table entry.
  std::set<std::string> seen;
  for (const char c : all) seen.insert(Cp1251ToUtf8(std::string(1, c)));
  EXPECT_EQ(seen.size(), all.size());
}

TEST(TextCodecTest, DecodesTheWindows1251Chart) {
  std::string low, high;
  for (int b = 0; b < 0x80; ++b) low.push_back(static_cast<char>(b));
  for (int b = 0x80; b < 0x100; ++b) high.push_back(static_cast<char>(b));
  EXPECT_EQ(Cp1251ToUtf8(low), low);

  // Bytes 0x80..0xFF, sixteen per row. The no-break space (0xA0), the soft hyphen (0xAD) and the
  // replacement character for the unassigned 0x98 are spelled out as UTF-8 bytes.
  const std::string chart =
      "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
      "ђ‘’“”•–—\xEF\xBF\xBD™љ›њќћџ"
      "\xC2\xA0ЎўЈ¤Ґ¦§Ё©Є«¬\xC2\xAD®Ї"
      "°±Ііґµ¶·ё№є»јЅѕї"
      "АБВГДЕЖЗИЙКЛМНОП"
      "РСТУФХЦЧШЩЪЫЬЭЮЯ"
      "абвгдежзийклмноп"
      "рстуфхцчшщъыьэюя";
  EXPECT_EQ(Cp1251ToUtf8(high), chart);
}

TEST(TextCodecTest, EncodesRussianText) {
  EXPECT_EQ(Utf8ToCp1251("Тираж №12: Ёлка, ёж — «итоги» €"),
            "\xD2\xE8\xF0\xE0\xE6 \xB9"
            "12: \xA8\xEB\xEA\xE0, \xB8\xE6 \x97 \xAB\xE8\xF2\xEE\xE3\xE8\xBB \x88");
  EXPECT_EQ(Utf8ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Utf8ToCp1251(""), "");
  EXPECT_EQ(Cp1251ToUtf8(""), "");
}

TEST(TextCodecTest, CharactersWithoutACp1251FormBecomeQuestionMarks) {
  const struct {
    const char* utf8;
    const char* cp1251;
  } cases[] = {
      {"ü", "?"},                     // Latin-1 letter missing from cp1251
      {"中文", "??"},                 // three-byte characters
      {"😀x", "?x"},                   // four-byte character
      {"\xEF\xBF\xBD", "?"},          // U+FFFD, what 0x98 decodes to
      {"ѐ", "?"},                     // Cyrillic, but not in cp1251
      {"\xC2\xA0\xC2\xA1", "\xA0?"},  // NBSP is there, the inverted "!" is not
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

TEST(TextCodecTest, MalformedUtf8CostsOneQuestionMarkPerBadPieceAndResyncs) {
  const struct {
    const char* utf8;
    const char* cp1251;
  } cases[] = {
      {"\x80", "?"},                          // stray continuation byte
      {"\xD0", "?"},                          // truncated at the end
      {"\xD0\x41", "?A"},                     // lead byte followed by ASCII
      {"\xE2\x84\x41", "?A"},                 // truncated three-byte sequence
      {"\xE2\x84\xD0\x90", "?\xC0"},          // truncated sequence, then a valid А
      {"\xC0\xAF", "??"},                     // overlong form of "/"
      {"\xE0\x80\xAF", "???"},                // overlong three-byte form
      {"\xED\xA0\x80", "???"},                // UTF-16 surrogate
      {"\xF4\x90\x80\x80", "????"},           // above U+10FFFF
      {"\xFF\xFE", "??"},                     // bytes that never occur in UTF-8
      {"\xD0\x90\x80\xD0\x91", "\xC0?\xC1"},  // extra continuation between two letters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.utf8)));
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

}  // namespace
}  // namespace kivra

// The protocol's text forms: escape, Base64, form encoding, the reply reader and its dates.
#include <gtest/gtest.h>
#include <httplib.h>

#include "online/Catalog.h"
#include "online/CatalogCodec.h"
#include "online/TimeZone.h"

namespace kivra {
namespace {

TEST(CatalogCodecTest, CEscapeWritesEachSpecialCharacterAndReadsItBack) {
  const struct {
    std::string Plain;
    std::string Escaped;
  } cases[] = {
      {std::string("\0\1\6", 3), "\\0\\1\\6"},
      {"\a\b\t\n\v\f\r", "\\a\\b\\t\\n\\v\\f\\r"},
      {"\x1b", "\\e"},
      {"\"'?\\", "\\\"\\'\\?\\\\"},
      {"a+b/c=d%", "a+b/c=d%"},
      {"Привет\x0e", "Привет\x0e"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CEscape(c.Plain), c.Escaped);
    EXPECT_EQ(CUnescape(c.Escaped), c.Plain);
  }
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(CUnescape(CEscape(all)), all);
  // Unknown escapes and a trailing backslash stay literal.
  EXPECT_EQ(CUnescape("\\x\\"), "\\x\\");
}

TEST(CatalogCodecTest, Base64MatchesTheStandardVectorsAndRefusesMalformedText) {
  const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {"\xff\xfe\xfd", "//79"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(plain), encoded);
    std::string decoded = "x";
    ASSERT_TRUE(Base64Decode(encoded, decoded)) << encoded;
    EXPECT_EQ(decoded, plain);
  }
  std::string decoded;
  EXPECT_TRUE(Base64Decode("Zm9v\r\nYmFy", decoded));
  EXPECT_EQ(decoded, "foobar");
  for (const char* bad : {"Zm9", "Zm9v!A==", "Z===", "Zg==Zg==", "Zm=v", "Zg=A"})
    EXPECT_FALSE(Base64Decode(bad, decoded)) << bad;
}

TEST(CatalogCodecTest, FormValuesSurviveAStandardFormDecoder) {
  const std::string values[] = {"a+b", "x/y", "k=v&w", "Система №1", "100% \"да\"", "Zm9v+/=="};
  const std::string names[] = {"f0", "f1", "f2", "f3", "f4", "f5"};
  TFormBody form;
  for (size_t i = 0; i < std::size(values); ++i) form.Add(names[i], values[i]);
  EXPECT_EQ(TFormBody().Add("v", "+/= Я").Text(), "v=%2B%2F%3D%20%D0%AF");
  // The form as any server reads it: split at "&" and "=", then percent-decoded with "+" as space.
  httplib::Params params;
  httplib::detail::parse_query_text(form.Text(), params);
  const auto ours = ParseFormBody(form.Text());
  ASSERT_EQ(ours.size(), std::size(values));
  for (size_t i = 0; i < std::size(values); ++i) {
    const std::string& name = names[i];
    ASSERT_EQ(params.count(name), 1u);
    EXPECT_EQ(params.find(name)->second, values[i]);
    EXPECT_EQ(ours[i].second, values[i]);
  }
  EXPECT_EQ(FormDecode("a+b%2x%41%"), "a b%2xA%");
}

TEST(CatalogCodecTest, ReplyReaderFindsTagsWithoutRegardToCaseAndBoundsEveryRow) {
  const TCatalogReply reply = ReadCatalogReply(
      "<RESULT><Row><ID>7</ID><Author>A &amp; B &lt;x&gt;</Author><n>12x</n></Row>"
      "<row><id>8</id><author>unclosed<row><id>9</ID><title>dGl0bGU=</title></row></result>");
  ASSERT_TRUE(reply.Ok) << reply.Error;
  ASSERT_EQ(reply.Rows.size(), 3u);
  EXPECT_EQ(reply.Rows[0].Int("id"), 7);
  EXPECT_EQ(reply.Rows[0].Text("author"), "A & B <x>");
  EXPECT_EQ(reply.Rows[0].Int("n"), 0);
  EXPECT_EQ(reply.Rows[0].Int("missing", -1), -1);
  EXPECT_EQ(reply.Rows[1].Int("id"), 8);
  EXPECT_EQ(reply.Rows[1].Text("author"), "");  // not closed within its row
  EXPECT_EQ(reply.Rows[2].Int("id"), 9);
  std::string title;
  EXPECT_TRUE(reply.Rows[2].Base64("title", title));
  EXPECT_EQ(title, "title");
  // Truncated texts never read past their end.
  for (const char* cut : {"<row", "<row>", "<row><id", "<row><id>5</i", "<row><error>", "<row><error>x</err"})
    EXPECT_TRUE(ReadCatalogReply(cut).Ok) << cut;
}

TEST(CatalogCodecTest, AnErrorRowOrAnOversizedReplyFailsTheWholeReply) {
  const TCatalogReply failed =
      ReadCatalogReply("<result><row><id>1</id></row><row><Error>Нет &lt;доступа&gt;</Error></row></result>");
  EXPECT_FALSE(failed.Ok);
  EXPECT_EQ(failed.Error, "Нет <доступа>");
  EXPECT_TRUE(failed.Rows.empty());
  EXPECT_TRUE(ReadCatalogReply("<result><row><error> </error><id>1</id></row></result>").Ok);
  const std::string huge(MaxCatalogBytes + 1, ' ');
  EXPECT_FALSE(ReadCatalogReply(huge).Ok);
}

TEST(CatalogCodecTest, UtcTimesAreReadByFixedPositions) {
  const std::pair<const char*, int64_t> cases[] = {
      {"1970-01-01 00:00:00", 0}, {"2024-02-29 23:59:59", 1709251199}, {"2024-02-29 23:59:59 extra", 1709251199},
      {"2024-02-29 23:59:5", 0},  {"2024-02-29T23:59:59", 1709251199}, {"2024-0a-29 23:59:59", 0},
      {"2023-02-29 10:00:00", 0}, {"2024-01-01 24:00:00", 0},          {"", 0}};
  for (const auto& [text, seconds] : cases) EXPECT_EQ(ParseUtcTime(text), seconds) << text;
  EXPECT_EQ(FormatUtcTime(1709251199), "2024-02-29 23:59:59");
}

TEST(CatalogCodecTest, ReplyTimesBecomeLocalTime) {
  const test::TTimeZone zone("Europe/Moscow");
  EXPECT_EQ(DateTimeToText(UnixToLocalDateTime(ParseUtcTime("2024-03-01 21:30:05"))), "2024-03-02 00:30:05");
  EXPECT_EQ(DateTimeToText(UnixToLocalDateTime(0)), "");
}

TEST(CatalogCodecTest, ScriptTextSplitsAtAnyLineBreakAndJoinsWithCrLf) {
  EXPECT_EQ(SplitScriptText("a\r\nb\rc\nd\n\ne"), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(SplitScriptText("a\r\n"), (std::vector<std::string>{"a"}));
  EXPECT_TRUE(SplitScriptText("").empty());
  EXPECT_EQ(JoinScriptLines({"a", "", "b"}), "a\r\n\r\nb");
}

}  // namespace
}  // namespace kivra

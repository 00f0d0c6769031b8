#include "core/DrawsCsv.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"

namespace kivra {
namespace {

using Fields = std::vector<std::string>;

TEST(DrawsCsv, SplitFields) {
  struct Case {
    const char* line;
    Fields expected;
  };
  const Case cases[] = {
      {"1;\"2020-01-01\";1;2;3;4;5", {"1", "2020-01-01", "1", "2", "3", "4", "5"}},
      {"  a ; b;c", {"a", "b", "c"}},
      {"a;;b", {"a", "", "b"}},
      {"a;b;", {"a", "b", ""}},
      {"a b;c", {"a", "b", "c"}},  // a blank separates like the delimiter
      {"\"x;y\";\"say \"\"hi\"\"\"", {"x;y", "say \"hi\""}},
      {"\"unterminated;x", {"unterminated;x"}},
      {"\"\";a", {"", "a"}},
      {"", {}},
      {"   ", {}},
      {";", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitFields(c.line), c.expected) << c.line;
}

class DrawsCsvFiles : public ::testing::Test {
 protected:
  std::filesystem::path Write(std::string_view name, std::string_view bytes) {
    const auto p = dir / name;
    test::WriteBytes(p, bytes);
    return p;
  }
  test::TTempDir dir;
  TRecordingPort port;
  TDrawsArchive archive;
};

TEST_F(DrawsCsvFiles, ImportRowShapes) {
  for (int n = 1; n <= 100; ++n) archive.Append(test::MakeDraw(n, {1, 2, 3, 4, 5}));
  const auto file = Write("in.csv",
                          "2020-01-01;1;2;3;4;5\r\n"            // 6 fields: number 101
                          "\"2020-01-04\";6;7;8;9;10\r\n"       // 6 fields: number 102
                          "200;2020-01-07 12:00;1;2;3;4;5\r\n"  // unquoted date and time: 8 fields
                          "0;\"2020-01-07\";1;2;3;4;5\r\n"      // number 0
                          "x;\"2020-01-07\";1;2;3;4;5\r\n"      // not a number
                          "50;\"2020-01-07\";1;2;3;4;5\r\n"     // already present
                          "201;\"2020-01-07\";1;2;3;4;46\r\n"   // not a lottery draw
                          "202;\"2020-01-07\";1;2;3;3;5\r\n"    // repeated number
                          "\r\n   \r\n"
                          "203;\"2020-01-07T10:00\";45;44;43;42;41\n"
                          "204;\"\xC2\xF2\";1;2;3;4;5");  // cp1251 date, no line end
  int skipped = -1;
  EXPECT_EQ(ImportDrawsCsv(archive, file, port, &skipped), 4);
  EXPECT_EQ(skipped, 6);  // the blank lines are not counted
  EXPECT_EQ(DrawsImportReport(4, skipped), "Добавлено тиражей: 4, пропущено строк: 6");
  ASSERT_EQ(archive.Count(), 104);
  EXPECT_EQ(archive.Stored(100).Number, 101);
  EXPECT_EQ(archive.Stored(100).DateText(), "2020-01-01");
  EXPECT_EQ(archive.Stored(101).Number, 102);
  EXPECT_EQ(archive.Stored(101).Nums, (TComb{6, 7, 8, 9, 10}));
  EXPECT_EQ(archive.Stored(102).Number, 203);
  EXPECT_EQ(archive.Stored(102).DateText(), "2020-01-07");  // cut to 10 characters
  EXPECT_EQ(archive.Stored(102).Nums, (TComb{45, 44, 43, 42, 41}));
  EXPECT_EQ(archive.Stored(103).DateText(), "Вт");
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(port.Progress.front(), "Импорт тиражей из файла \"" + file.string() + "\"...");
  EXPECT_TRUE(port.IsIdle());
}

TEST_F(DrawsCsvFiles, ExportThenImportRoundTrip) {
  TDraw d;
  d.Number = 7;
  d.Nums = {9, 1, 45, 2, 3};
  d.SetDateText("a\"b");
  archive.Append(d);
  d.Number = 8;
  d.SetDateText("");
  archive.Append(d);
  EXPECT_EQ(DrawsToCsv(archive), "7;\"a\"\"b\";9;1;45;2;3\r\n8;\"\";9;1;45;2;3\r\n");

  const auto file = dir / "out.csv";
  ASSERT_TRUE(ExportDrawsCsv(archive, file, port));
  EXPECT_EQ(test::ReadBytes(file), DrawsToCsv(archive));
  EXPECT_EQ(ImportDrawsCsv(archive, file, port), 0);  // every draw is already there

  TDrawsArchive fresh;
  EXPECT_EQ(ImportDrawsCsv(fresh, file, port), 2);
  EXPECT_EQ(ArchiveToBytes(fresh.StoredDraws()), ArchiveToBytes(archive.StoredDraws()));
}

TEST_F(DrawsCsvFiles, HostileFiles) {
  EXPECT_EQ(ImportDrawsCsv(archive, Write("empty.csv", ""), port), 0);
  std::string garbage;
  for (int i = 0; i < 200000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  EXPECT_EQ(ImportDrawsCsv(archive, Write("garbage.csv", garbage), port), 0);
  EXPECT_EQ(ImportDrawsCsv(archive, Write("quotes.csv", std::string(100000, '"')), port), 0);
  EXPECT_TRUE(port.Messages.empty());

  EXPECT_EQ(ImportDrawsCsv(archive, dir / "missing.csv", port), -1);
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Error);
  EXPECT_TRUE(archive.Empty());
  EXPECT_TRUE(port.IsIdle());

  EXPECT_FALSE(ExportDrawsCsv(archive, dir.Path(), port));  // a folder cannot be replaced by a file
  EXPECT_EQ(port.Messages.size(), 2u);
}

}  // namespace
}  // namespace kivra

// The script journal: names, line prefix, open-write-close per entry, the switch, failures and the
// deletion of old journals.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "core/UserPort.h"
#include "scripts/ScriptLog.h"

namespace kivra {
namespace {

// A clock the test moves by hand.
struct TFakeClock {
  TLogTime Now{2024, 3, 9, 21, 5, 7};
  TLogClock Clock() {
    return [this] { return Now; };
  }
};

TEST(ScriptLogTest, NamesAndPrefixes) {
  EXPECT_EQ(ScriptLogName({2024, 3, 9, 21, 5, 7}), "ScriptLog_2024-03-09-21-05-07.txt");
  EXPECT_EQ(ScriptLogPrefix({2024, 12, 31, 0, 0, 59}), "[2024-12-31 00:00:59]: ");
}

TEST(ScriptLogTest, EntriesAreOnDiskAfterEachCall) {
  test::TTempDir dir;
  TRecordingPort port;
  TFakeClock clock;
  TScriptLog log(port, dir.Path(), clock.Clock());
  std::vector<std::filesystem::path> opened;
  log.SetOpener([&opened](const std::filesystem::path& p) { opened.push_back(p); });
  log.SetEnabled(true);

  log.Start();
  const auto file = dir / "ScriptLog_2024-03-09-21-05-07.txt";
  EXPECT_EQ(log.CurrentPath(), file);
  log.Write("Первая строка");
  EXPECT_EQ(ReadWholeFile(file), "[2024-03-09 21:05:07]: \xcf\xe5\xf0\xe2\xe0\xff \xf1\xf2\xf0\xee\xea\xe0\r\n");
  clock.Now.Second = 9;
  log.Write("");
  log.Write("a\rb\nc 日");
  EXPECT_EQ(ReadWholeFile(file),
            "[2024-03-09 21:05:07]: \xcf\xe5\xf0\xe2\xe0\xff \xf1\xf2\xf0\xee\xea\xe0\r\n"
            "[2024-03-09 21:05:09]: \r\n[2024-03-09 21:05:09]: a b c ?\r\n");
  log.Close();
  EXPECT_EQ(opened, std::vector<std::filesystem::path>{file});
  EXPECT_TRUE(log.CurrentPath().empty());

  // A second run started in the same second appends to the same file; writing without a start
  // starts a journal.
  clock.Now.Second = 7;
  log.Write("again");
  EXPECT_EQ(log.CurrentPath(), file);
  EXPECT_NE(ReadWholeFile(file).find("[2024-03-09 21:05:07]: again\r\n"), std::string::npos);
  EXPECT_TRUE(port.Messages.empty());
}

TEST(ScriptLogTest, SwitchedOffWritesAndOpensNothing) {
  test::TTempDir dir;
  TRecordingPort port;
  TFakeClock clock;
  TScriptLog log(port, dir.Path(), clock.Clock());
  bool opened = false;
  log.SetOpener([&opened](const std::filesystem::path&) { opened = true; });
  log.Start();
  log.Write("entry");
  log.Close();
  EXPECT_TRUE(log.CurrentPath().empty());
  EXPECT_FALSE(opened);
  EXPECT_TRUE(FindScriptLogs(dir.Path()).empty());
}

TEST(ScriptLogTest, FailureShownOncePerJournal) {
  // The journal's folder is a file: no journal can be created there, whoever runs the test.
  test::TTempDir dir;
  const auto locked = dir / "not-a-folder";
  WriteFileAtomic(locked, "x");
  TRecordingPort port;
  TFakeClock clock;
  TScriptLog log(port, locked, clock.Clock());
  log.SetEnabled(true);
  log.Start();
  for (int i = 0; i < 5; ++i) log.Write("entry");
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка записи журнала: ", 0), 0u);
  EXPECT_EQ(port.Messages[0].Text.back(), '!');
  log.Close();
  log.Start();
  log.Write("entry");
  EXPECT_EQ(port.Messages.size(), 2u);  // a new journal reports again
}

TEST(ScriptLogTest, MaskMatching) {
  struct TCase {
    std::string_view Name;
    bool Match;
  } cases[] = {{"ScriptLog_2024-03-09-21-05-07.txt", true},
               {"scriptlog_x.TXT", true},
               {"ScriptLog_.txt", true},
               {"ScriptLog_a.txt.bak", false},
               {"xScriptLog_a.txt", false},
               {"ScriptLog.txt", false},
               {"ScriptLog_a.tx", false}};
  for (const auto& c : cases) EXPECT_EQ(MatchFileMask(c.Name, ScriptLogMask), c.Match) << c.Name;
  EXPECT_TRUE(MatchFileMask("abc", "*"));
  EXPECT_TRUE(MatchFileMask("a.b", "?.?"));
  EXPECT_FALSE(MatchFileMask("a", "?.?"));
}

TEST(ScriptLogTest, DeletingJournals) {
  test::TTempDir dir;
  TRecordingPort port;
  EXPECT_FALSE(DeleteScriptLogs(dir.Path(), port));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Файлы журналов не найдены!");
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Info);

  for (auto name : {"ScriptLog_1.txt", "SCRIPTLOG_2.TXT", "ScriptLog_3.log", "other.txt"})
    WriteFileAtomic(dir / name, "x");
  std::filesystem::create_directories(dir / "sub");
  WriteFileAtomic(dir / "sub" / "ScriptLog_4.txt", "x");
  std::filesystem::create_directories(dir / "ScriptLog_dir.txt");  // not a regular file

  port.Messages.clear();
  EXPECT_TRUE(DeleteScriptLogs(dir.Path(), port));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Info);
  EXPECT_EQ(port.Messages[0].Text.rfind("Удалено файлов журналов: 2 из 2.\r\r", 0), 0u);
  EXPECT_EQ(port.Progress.front(), "Поиск файлов журналов...");
  EXPECT_EQ(port.Progress.back(), "");
  EXPECT_TRUE(port.IsIdle());
  for (auto name : {"ScriptLog_3.log", "other.txt", "sub/ScriptLog_4.txt", "ScriptLog_dir.txt"})
    EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(dir / "ScriptLog_1.txt"));
}

}  // namespace
}  // namespace kivra

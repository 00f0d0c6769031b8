// The results download of the workspace and the cli against a server on 127.0.0.1 holding zips of
// result files made in the test.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "../online/ZipHelpers.h"
#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

// A result file of the draws first..last, newest first, after a header line.
std::pair<std::string, std::string> ResultFile(int first, int last) {
  std::string text = Utf8ToCp1251("Номер;Дата;Призовой фонд;Джекпот;Числа\r\n");
  for (int n = last; n >= first; --n)
    text += fmt::format("{};{:02}.01.2024;0;0;{};{};{};{};{}\r\n", n, n % 28 + 1, n % 45 + 1, (n + 7) % 45 + 1,
                        (n + 14) % 45 + 1, (n + 21) % 45 + 1, (n + 28) % 45 + 1);
  return {fmt::format("Virma_Results__{}-{}.csv", first, last), text};
}

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() {
    server.Server.Get("/virma_csv.zip", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(zip, "application/zip");
    });
    server.Start();
    ws.LoadSettingsAndConfig();
    EXPECT_TRUE(ws.Stakes().Load());
  }
  void Fill(int last) {
    for (int n = 1; n <= last; ++n) ws.Archive().Append(test::MakeDraw(n, {1, 2, 3, 4, 5}));
  }
  std::vector<int32_t> Numbers() const {
    std::vector<int32_t> numbers;
    for (const TDraw& d : ws.Archive().StoredDraws()) numbers.push_back(d.Number);
    return numbers;
  }

  test::TTestServer server;
  std::string zip;
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

TEST_F(DownloadTest, MergesTheFilesThatFollowTheArchive) {
  Fill(1000);
  zip = test::MakeZip({ResultFile(1, 500), ResultFile(501, 1003), {"readme.txt", "x"}});
  TStakeData stake = ws.Stakes().NewRecord(StakeManual, "c", TStakeNumbers{5, {1, 2, 3, 4, 5}});
  stake.DrawNumber = 1002;
  ASSERT_TRUE(ws.Stakes().AddOne(stake, 1));
  EXPECT_EQ(ws.Download().Command(server.Url("/virma_csv.zip"), [] { return true; }), 3);
  const auto numbers = Numbers();
  EXPECT_EQ(std::vector<int32_t>(numbers.end() - 4, numbers.end()), (std::vector<int32_t>{1000, 1001, 1002, 1003}));
  EXPECT_EQ(ws.Archive().Stored(1002).Nums,
            (TComb{1003 % 45 + 1, 1010 % 45 + 1, 1017 % 45 + 1, 1024 % 45 + 1, 1031 % 45 + 1}));
  EXPECT_EQ(std::filesystem::file_size(ws.ArchivePath()), 1003 * DrawRecordSize);
  // Nothing of the download stays in the data folder; the stake for draw 1002 is checked.
  EXPECT_TRUE(FindFilesByMask(dir.Path(), "Virma_Results__*.csv").empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "virma_csv.zip"));
  EXPECT_EQ(ws.Stakes().Journal().Read(TStakeOrigin::End, -1).Checked, 1);
  EXPECT_TRUE(port.Messages.empty());
}

TEST_F(DownloadTest, AnEmptyArchiveTakesEveryFileWhateverTheirOrderInTheZip) {
  zip = test::MakeZip({ResultFile(1001, 1500), ResultFile(501, 1000), ResultFile(1, 500)});
  EXPECT_EQ(ws.Download().Command(server.Url("/virma_csv.zip"), nullptr), 1500);
  const auto numbers = Numbers();
  ASSERT_EQ(numbers.size(), 1500u);
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
  // Again: nothing new.
  EXPECT_EQ(ws.Download().Command(server.Url("/virma_csv.zip"), nullptr), 0);
}

TEST_F(DownloadTest, AZipMadeOnUnixIsMerged) {
  Fill(10);
  const auto first = ResultFile(1, 40), second = ResultFile(41, 85);
  zip = test::MakeZip({first, second}, {0644, 0600});
  EXPECT_EQ(ws.Download().Command(server.Url("/virma_csv.zip"), nullptr), 75);
  EXPECT_EQ(ws.Archive().Count(), 85);
  EXPECT_TRUE(port.Messages.empty());
}

TEST_F(DownloadTest, FailuresLeaveTheArchiveAsItWas) {
  Fill(10);
  struct TCase {
    std::string url;
    std::string zipBytes;
    const char* message;
  };
  const std::string whole = test::MakeZip({ResultFile(1, 20)});
  const std::vector<TCase> cases = {
      {server.Url("/missing.zip"), whole, "Ошибка загрузки файла с архивом тиражей!\r\rСервер ответил кодом 404"},
      {server.Url("/virma_csv.zip"), whole.substr(0, whole.size() - 30), "Ошибка извлечения файлов из архива тиражей!"},
      {"", whole, "Ошибка загрузки файла с архивом тиражей!\r\rАдрес архива тиражей не задан"},
      {server.Url("/virma_csv.zip"), test::MakeZip({{"readme.txt", "x"}}),
       "Ошибка извлечения файлов из архива тиражей!\r\rв архиве нет файлов результатов"},
  };
  for (const TCase& c : cases) {
    zip = c.zipBytes;
    port.Messages.clear();
    EXPECT_EQ(ws.Download().Command(c.url, nullptr), 0) << c.message;
    EXPECT_EQ(ws.Archive().Count(), 10) << c.message;
    ASSERT_EQ(port.Messages.size(), 1u) << c.message;
    EXPECT_EQ(port.Messages[0].Text.rfind(c.message, 0), 0u) << port.Messages[0].Text;
    EXPECT_EQ(FindFilesByMask(dir.Path(), "*.*").size(), FindFilesByMask(dir.Path(), "Kivra_5x45.*").size());
  }
}

TEST_F(DownloadTest, TheAddressComesFromTheConfigurationAndTheCli) {
  test::WriteBytes(ws.ConfigPath(), "[DOWNLOAD]\r\nResultsUrl=https://results.example\r\n");
  EXPECT_EQ(ws.Download().ResultsUrl(), "https://results.example/mailbox/out/downloading_results/virma_csv.zip");
  test::WriteBytes(ws.ConfigPath(), "[DOWNLOAD]\r\nResultsUrl=" + server.Url("/virma_csv.zip") + "\r\n");
  EXPECT_EQ(ws.Download().ResultsUrl(), server.Url("/virma_csv.zip"));

  ws.Stakes().Save();  // the cli takes the journal itself
  zip = test::MakeZip({ResultFile(1, 7)});
  const auto run = test::RunCli(dir.Path(), "download", dir / "err.txt");
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "Добавлено тиражей: 7\n");
  const auto failed = test::RunCli(dir.Path(), "download --url " + server.Url("/none.zip"), dir / "err.txt");
  EXPECT_EQ(failed.Status, 1);
  EXPECT_NE(failed.Err.find("404"), std::string::npos) << failed.Err;
}

}  // namespace
}  // namespace kivra

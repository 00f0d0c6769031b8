// kivra-server started on 127.0.0.1 with a fresh database, driven by the catalogue client as two
// users.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "CatalogFill.h"
#include "CatalogService.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "online/Catalog.h"
#include "online/Http.h"
#include "online/TimeZone.h"

namespace kivra {
namespace {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server_.Url().empty()) << "kivra-server did not start";
    ann_ = User("Анна", "Anna@Example.org", "key-anna");
    bob_ = User("Боб", "bob@example.org", "key-bob");
  }
  TCatalogClient User(const std::string& name, const std::string& mail, const std::string& key) const {
    TCatalogClient client;
    client.BaseUrl = server_.Url() + "/";
    client.UserName = name;
    client.UserMail = mail;
    client.ClientKey = key;
    client.AppName = "Kivra_5x45";
    client.AppVersion = "0.1.0.0";
    client.AppGuid = "{KIVRA-GUID}";
    return client;
  }
  static TSystemData System(int nums, const std::string& title, const std::string& content, int count) {
    TSystemData data;
    data.Nums = static_cast<uint8_t>(nums);
    data.Block = 2;
    data.Title = title;
    data.Description = "Описание \"" + title + "\"";
    data.Url = "https://example.org/?a=1&b=<2>";
    data.Content = content;
    data.Count = count;
    return data;
  }
  std::vector<TSystemInfo> Systems(const TCatalogClient& client) {
    auto list = LoadSystemsList(client);
    EXPECT_TRUE(list.Ok) << list.Error;
    return list.Value;
  }
  std::vector<int32_t> ScriptIds(const TCatalogClient& client, int filter) {
    auto list = LoadScriptsList(client, filter);
    EXPECT_TRUE(list.Ok) << list.Error;
    std::vector<int32_t> ids;
    for (const auto& s : list.Value) ids.push_back(s.Id);
    return ids;
  }

  test::TTimeZone zone_{"Europe/Moscow"};
  test::TTempDir dir_;
  test::TServerProcess server_{dir_, KIVRA_SERVER};
  TCatalogClient ann_, bob_;
};

TEST_F(ServerTest, SystemsArePublishedListedDownloadedEditedAndDeletedByTheirOwnerOnly) {
  const std::string content = "1 2 3 4 5\r\n2 3 4 5 6\r\n1,3;5-7/10";
  auto saved = SaveSystem(ann_, System(10, "Система & <Анны>", content, 3), false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  ASSERT_GT(saved.Value, 0);
  const int32_t id = saved.Value;

  auto list = Systems(bob_);
  ASSERT_EQ(list.size(), 1u);
  const TSystemInfo& info = list[0];
  EXPECT_EQ(info.Id, id);
  EXPECT_EQ(info.Nums, 10);
  EXPECT_EQ(info.Block, 2);
  EXPECT_EQ(info.Count, 3);
  EXPECT_EQ(info.Title, "Система & <Анны>");
  EXPECT_EQ(info.Description, "Описание \"Система & <Анны>\"");
  EXPECT_EQ(info.Author, "Анна");
  EXPECT_EQ(info.AuthorMail, "anna@example.org");
  EXPECT_EQ(info.Url, "https://example.org/?a=1&b=<2>");
  EXPECT_NEAR(info.Created, Now(), 5.0 / 86400);
  EXPECT_EQ(info.Downloads, 0);
  EXPECT_EQ(info.LastDownload, 0);

  auto data = LoadSystemContent(bob_, id);
  ASSERT_TRUE(data.Ok) << data.Error;
  EXPECT_EQ(data.Value, content);
  list = Systems(bob_);
  EXPECT_EQ(list[0].Downloads, 1);
  EXPECT_GT(list[0].LastDownload, 0);

  // Refused contents: the count, a position beyond N, a repeated position, four numbers.
  for (const auto& [text, count] : std::vector<std::pair<std::string, int>>{
           {content, 2}, {"1 2 3 4 11", 1}, {"1 2 3 4 4", 1}, {"1 2 3 4", 1}, {"", 1}}) {
    const auto refused = SaveSystem(ann_, System(10, "Bad", text, count), false);
    EXPECT_FALSE(refused.Ok) << text;
    EXPECT_FALSE(refused.Error.empty());
  }
  EXPECT_FALSE(SaveSystem(ann_, System(46, "Bad", "1 2 3 4 5", 1), false).Ok);

  // The other user can neither replace nor delete it; the owner can.
  TSystemData edit = System(10, "Изменена", "1 2 3 4 5", 1);
  edit.Id = id;
  EXPECT_FALSE(SaveSystem(bob_, edit, false).Ok);
  EXPECT_FALSE(SaveSystem(bob_, edit, true).Ok);
  // Bob's mail with another client key is not Bob.
  TCatalogClient impostor = User("Анна", "ANNA@example.org", "other-key");
  EXPECT_FALSE(SaveSystem(impostor, edit, false).Ok);
  saved = SaveSystem(ann_, edit, false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  EXPECT_EQ(saved.Value, id);
  list = Systems(bob_);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Title, "Изменена");
  EXPECT_EQ(list[0].Count, 1);
  EXPECT_EQ(LoadSystemContent(bob_, id).Value, "1 2 3 4 5");

  const auto removed = SaveSystem(ann_, edit, true);
  ASSERT_TRUE(removed.Ok) << removed.Error;
  EXPECT_EQ(removed.Value, 0);
  EXPECT_TRUE(Systems(bob_).empty());
  EXPECT_FALSE(LoadSystemContent(bob_, id).Ok);
}

TEST_F(ServerTest, ScriptsArePublishedRatedHiddenFilteredAndRemoved) {
  // A script longer than any small form limit, with every escaped character.
  std::vector<std::string> lines = {"// Сценарий \"тест\" ?", "a\\b\tc 'x' + y / z = 1"};
  for (int i = 0; i < 400; ++i) lines.push_back("Строка " + std::to_string(i) + " ++//==");
  TScriptData script;
  script.Author = "Анна";
  script.Language = 1049;
  script.Public = true;
  script.Title = "Анализ";
  script.Description = "Первый & <лучший>";
  auto saved = SaveScript(ann_, script, lines, false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  ASSERT_GT(saved.Value, 0);
  const int32_t annId = saved.Value;

  // Titles are unique without regard to case; a script keeps its own title on replace.
  auto free = CheckScriptTitle(bob_, -1, "анализ");
  ASSERT_TRUE(free.Ok) << free.Error;
  EXPECT_FALSE(free.Value);
  EXPECT_TRUE(CheckScriptTitle(bob_, annId, "Анализ").Value);
  EXPECT_TRUE(CheckScriptTitle(bob_, -1, "Другой").Value);
  TScriptData bobScript = script;
  bobScript.Author = "Боб";
  EXPECT_FALSE(SaveScript(bob_, bobScript, {"x"}, false).Ok);
  bobScript.Title = "Скрытый Боба";
  bobScript.Public = false;
  bobScript.Universal = true;
  saved = SaveScript(bob_, bobScript, {"b"}, false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  const int32_t bobId = saved.Value;

  auto text = LoadScriptText(bob_, annId);
  ASSERT_TRUE(text.Ok) << text.Error;
  EXPECT_EQ(SplitScriptText(text.Value), lines);

  // Bob sees Ann's public script, Ann does not see Bob's private one.
  auto list = LoadScriptsList(bob_, 1);
  ASSERT_TRUE(list.Ok) << list.Error;
  ASSERT_EQ(list.Value.size(), 2u);
  const TScriptInfo& seen = list.Value[0];
  EXPECT_EQ(seen.Id, annId);
  EXPECT_EQ(seen.Title, "Анализ");
  EXPECT_EQ(seen.Description, "Первый & <лучший>");
  EXPECT_EQ(seen.Author, "Анна");
  EXPECT_EQ(seen.Language, 1049);
  EXPECT_EQ(seen.AppName, "Kivra_5x45");
  EXPECT_TRUE(seen.Public);
  EXPECT_FALSE(seen.Own);
  EXPECT_TRUE(seen.Downloadable);
  EXPECT_EQ(seen.Downloads, 1);
  EXPECT_TRUE(list.Value[1].Own && list.Value[1].Editable && list.Value[1].Universal);
  EXPECT_EQ(ScriptIds(ann_, 0), (std::vector<int32_t>{annId}));

  // Ratings: per user, average and count; the notes come back as written.
  ASSERT_TRUE(RateScript(bob_, annId, 4, "Хорошо & <полезно>").Ok);
  ASSERT_TRUE(RateScript(ann_, annId, 5, "").Ok);
  ASSERT_TRUE(RateScript(bob_, annId, 2, "Передумал").Ok);  // replaces Bob's 4
  list = LoadScriptsList(bob_, 1);
  EXPECT_DOUBLE_EQ(list.Value[0].RatingAvg, 3.5);
  EXPECT_EQ(list.Value[0].RatingCount, 2);
  EXPECT_EQ(list.Value[0].YourRating, 2);
  auto rates = LoadScriptRates(ann_, annId);
  ASSERT_TRUE(rates.Ok) << rates.Error;
  ASSERT_EQ(rates.Value.size(), 2u);
  const auto bobRate = std::find_if(rates.Value.begin(), rates.Value.end(), [](auto& r) { return r.Name == "Боб"; });
  ASSERT_NE(bobRate, rates.Value.end());
  EXPECT_EQ(bobRate->Rate, 2);
  EXPECT_EQ(bobRate->Notes, "Передумал");
  EXPECT_EQ(bobRate->AppVersion, "0.1.0.0");
  EXPECT_FALSE(RateScript(bob_, annId, 6, "").Ok);
  EXPECT_FALSE(RateScript(bob_, 9999, 3, "").Ok);

  // The eight filters from Bob's side (ids: -1 hidden .. 6 new); hiding replaces his rating.
  EXPECT_EQ(ScriptIds(bob_, 4), (std::vector<int32_t>{annId}));
  EXPECT_EQ(ScriptIds(bob_, 5), (std::vector<int32_t>{bobId}));
  ASSERT_TRUE(RateScript(bob_, annId, -1, "").Ok);
  const std::vector<std::pair<int, std::vector<int32_t>>> filters = {
      {-1, {annId}}, {0, {annId, bobId}}, {1, {bobId}}, {2, {bobId}}, {3, {}}, {4, {}}, {5, {bobId}}, {6, {bobId}}};
  for (const auto& [filter, ids] : filters) EXPECT_EQ(ScriptIds(bob_, filter), ids) << "filter " << filter;
  EXPECT_EQ(ScriptIds(ann_, 4), (std::vector<int32_t>{annId}));
  list = LoadScriptsList(ann_, 1);
  EXPECT_DOUBLE_EQ(list.Value[0].RatingAvg, 5);  // a hidden mark is no rating
  ASSERT_TRUE(RateScript(bob_, annId, 0, "").Ok);
  EXPECT_EQ(ScriptIds(bob_, 1), (std::vector<int32_t>{annId, bobId}));

  // Replace and delete: the owner only.
  script.Id = annId;
  script.Title = "Анализ 2";
  EXPECT_FALSE(SaveScript(bob_, script, {"x"}, false).Ok);
  EXPECT_FALSE(SaveScript(bob_, script, {}, true).Ok);
  saved = SaveScript(ann_, script, {"new"}, false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  EXPECT_EQ(saved.Value, annId);
  EXPECT_EQ(LoadScriptText(bob_, annId).Value, "new");
  const auto removed = SaveScript(ann_, script, {}, true);
  ASSERT_TRUE(removed.Ok) << removed.Error;
  EXPECT_EQ(ScriptIds(bob_, 0), (std::vector<int32_t>{bobId}));
  EXPECT_TRUE(LoadScriptRates(bob_, annId).Value.empty());
}

TEST_F(ServerTest, FilesAreServedFromTheirFolderOnlyAndLargeBodiesAreRefused) {
  test::WriteBytes(dir_ / "files" / "UpdDescr" / "1049.txt", "Новая версия");
  test::WriteBytes(dir_ / "secret.txt", "secret");
  std::filesystem::create_symlink(dir_ / "secret.txt", dir_ / "files" / "link.txt");
  const THttpOptions options;
  const auto got = HttpGet(server_.Url() + "/files/UpdDescr/1049.txt", options);
  ASSERT_TRUE(got.Ok) << got.Error;
  EXPECT_EQ(got.Body, "Новая версия");
  for (const char* path : {"/files/../secret.txt", "/files/%2e%2e/secret.txt", "/files/link.txt", "/files/UpdDescr",
                           "/files//etc/passwd", "/files/UpdDescr/..%2f..%2fsecret.txt"}) {
    const auto refused = HttpGet(server_.Url() + path, options);
    EXPECT_FALSE(refused.Ok) << path;
    EXPECT_EQ(refused.Body.find("secret"), std::string::npos) << path;
  }
  const auto big = HttpPost(server_.Url() + "/scripts/scr_getlist.php", std::string(MaxCatalogBytes + 1, 'a'),
                            "application/x-www-form-urlencoded", options);
  EXPECT_FALSE(big.Ok);
  EXPECT_EQ(big.Status, 413);
  const auto unknown =
      HttpPost(server_.Url() + "/scripts/other.php", "a=1", "application/x-www-form-urlencoded", options);
  EXPECT_EQ(unknown.Status, 404);
}

TEST_F(ServerTest, FourClientsAnswerPromptly) {
  auto saved = SaveSystem(ann_, System(6, "S", "1 2 3 4 5", 1), false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  auto worker = [this] {
    std::vector<double> times;
    for (int i = 0; i < 500; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const auto list = LoadSystemsList(bob_);
      times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      if (!list.Ok || list.Value.size() != 1) times.back() = 1e9;
    }
    return times;
  };
  std::vector<std::future<std::vector<double>>> clients;
  for (int i = 0; i < 4; ++i) clients.push_back(std::async(std::launch::async, worker));
  std::vector<double> all;
  for (auto& c : clients) {
    auto t = c.get();
    all.insert(all.end(), t.begin(), t.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_LT(all.back(), 1e9) << "a request failed";
  std::printf("4 clients x 500 requests: p95 %.2f ms, max %.2f ms\n", all[all.size() * 95 / 100], all.back());
  // The figure (p95 <= 20 ms) is read from the printed line on a quiet machine; the test only
  // guards against a server that stalls (a loaded machine stretches the times).
  EXPECT_LE(all.back(), 30000.0);
}

}  // namespace
}  // namespace kivra

namespace kivra {
namespace {

// A catalogue of 10,000 scripts, filled in-process, then listed through the running server.
TEST(ServerLoadTest, TenThousandScriptsAreListedPromptly) {
  test::TTempDir dir;
  std::string failure;
  ASSERT_TRUE(test::FillCatalogScripts(dir / "catalog.db", 10000, failure)) << failure;
  test::TServerProcess server(dir, KIVRA_SERVER);
  ASSERT_FALSE(server.Url().empty());
  TCatalogClient reader;
  reader.BaseUrl = server.Url();
  const std::string form = ScriptsListForm(reader, 1);
  double serverMs = 1e9, clientMs = 1e9;
  for (int attempt = 0; attempt < 3; ++attempt) {
    auto start = std::chrono::steady_clock::now();
    const auto raw = HttpPost(CatalogUrl(reader, "scr_getlist.php"), form, "application/x-www-form-urlencoded", {});
    serverMs =
        std::min(serverMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    ASSERT_TRUE(raw.Ok) << raw.Error;
    start = std::chrono::steady_clock::now();
    const auto list = LoadScriptsList(reader, 1);
    clientMs =
        std::min(clientMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    ASSERT_TRUE(list.Ok) << list.Error;
    ASSERT_EQ(list.Value.size(), 10000u);
    EXPECT_EQ(list.Value[9999].Title, "Сценарий №9999");
  }
  RecordProperty("server_ms", std::to_string(serverMs));
  RecordProperty("client_ms", std::to_string(clientMs));
  std::printf("10,000 scripts: server %.1f ms, request and parse %.1f ms\n", serverMs, clientMs);
  // Figures (100 ms and 300 ms) as printed above on a quiet machine; guards against a stall only.
  EXPECT_LE(serverMs, 30000.0);
  EXPECT_LE(clientMs, 30000.0);
}

}  // namespace
}  // namespace kivra

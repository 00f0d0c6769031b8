// The catalogue state against kivra-server started on 127.0.0.1: two users, each with a data
// folder of their own, publishing, listing, downloading, editing and deleting systems and scripts;
// and the dialog rules that need no server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CliRunner.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "core/FileUtils.h"
#include "online/TimeZone.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

// One user: a data folder, a recording port and a workspace pointed at the server.
struct TUser {
  TUser(const std::string& url, const std::string& name, const std::string& mail) {
    ws.LoadSettingsAndConfig();
    ws.Online().SetOverrides({url, std::nullopt, std::nullopt});
    EXPECT_TRUE(ws.Online().SaveIdentity(name, mail));
  }
  TCatalogState& Catalog() { return ws.Catalog(); }
  const std::vector<TSystemInfo>& Systems() const { return ws.Systems().Rows(); }
  int SystemRow(const std::string& title) const {
    for (size_t i = 0; i < Systems().size(); ++i)
      if (Systems()[i].Title == title) return static_cast<int>(i);
    return -1;
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& m : port.Messages) texts.push_back(m.Text);
    port.Messages.clear();
    return texts;
  }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

int64_t FileSeconds(const std::filesystem::path& file) {
  struct stat st {};
  return stat(file.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

// Whether the script is in the user's list under each filter (the list index of the filter).
void ExpectListedBy(TUser& user, int32_t id, std::vector<std::pair<int, bool>> filters) {
  for (const auto& [filter, listed] : filters) {
    user.Catalog().SetFilter(filter);
    ASSERT_TRUE(user.Catalog().LoadScripts());
    EXPECT_EQ(user.Catalog().FindScript(id) >= 0, listed) << "filter " << filter;
  }
  user.Catalog().SetFilter(2);
  ASSERT_TRUE(user.Catalog().LoadScripts());
}

class CatalogStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(server_.Url().empty()) << "kivra-server did not start"; }
  TSystemData System(TUser& user, const std::string& title, const std::string& content) {
    TSystemData data = user.Catalog().NewSystem();
    data.Title = title;
    data.Description = "Описание";
    const TNormalisedSystem normal = NormaliseSystemContent(content);
    data.Content = normal.Content;
    data.Nums = static_cast<uint8_t>(normal.Nums);
    data.Count = normal.Count;
    return data;
  }

  test::TTimeZone zone_{"Europe/Moscow"};
  test::TTempDir serverDir_;
  test::TServerProcess server_{serverDir_, KIVRA_SERVER};
  TUser ann_{server_.Url(), "Анна", "Anna@Example.org"};
  TUser bob_{server_.Url(), "Боб", "bob@example.org"};
};

TEST_F(CatalogStateTest, SystemsArePublishedDownloadedReplacedEditedAndDeletedByTheirOwnerOnly) {
  ASSERT_GE(ann_.Catalog().AddSystem(System(ann_, "Первая", "1 2 3 4 5\n2 3 4 5 6\n")), 0) << ann_.Messages()[0];
  ASSERT_GE(ann_.Catalog().AddSystem(System(ann_, "Вторая", "1 2 3 4 6\n")), 0);

  bob_.Catalog().LoadSystems();
  ASSERT_EQ(bob_.Systems().size(), 2u);
  const int first = bob_.SystemRow("Первая"), second = bob_.SystemRow("Вторая");
  ASSERT_GE(first, 0);
  EXPECT_EQ(SystemCellText(bob_.Systems()[first], 1, false), "Анна");
  EXPECT_EQ(SystemCellText(bob_.Systems()[first], 2, false), "06");

  // A count that does not match the content writes nothing.
  bob_.ws.Systems().MutableRows()[first].Count = 3;
  EXPECT_FALSE(bob_.Catalog().DownloadSystem(first));
  EXPECT_NE(bob_.Messages().at(0).find("Количество скачанных комбинаций ( 2 ) отличается от ожидаемого значения ( 3 )"),
            std::string::npos);
  EXPECT_FALSE(bob_.ws.Systems().Downloaded(bob_.Systems()[first]));
  bob_.ws.Systems().MutableRows()[first].Count = 2;

  ASSERT_TRUE(bob_.Catalog().DownloadSystem(first));
  const TSystemInfo info = bob_.Systems()[first];
  const auto file = bob_.ws.Systems().Folder() / SystemFileName(info.Nums, info.Block, info.Id);
  EXPECT_EQ(ReadWholeFile(file), "01 02 03 04 05\r\n02 03 04 05 06");
  EXPECT_EQ(FileSeconds(file), LocalDateTimeToUnix(info.Created));
  EXPECT_TRUE(bob_.ws.Systems().Downloaded(info));

  // A second system of the same N replaces the first one's file; a changed file time brings the
  // system down again at the next list.
  ASSERT_TRUE(bob_.Catalog().DownloadSystem(second));
  EXPECT_FALSE(std::filesystem::exists(file));
  const TSystemInfo other = bob_.Systems()[second];
  const auto otherFile = bob_.ws.Systems().Folder() / SystemFileName(other.Nums, other.Block, other.Id);
  WriteFileAtomic(otherFile, "garbage");
  std::filesystem::last_write_time(otherFile, std::filesystem::last_write_time(otherFile) - std::chrono::hours(1));
  bob_.Catalog().LoadSystems();
  EXPECT_EQ(ReadWholeFile(otherFile), "01 02 03 04 06");
  EXPECT_EQ(FileSeconds(otherFile), LocalDateTimeToUnix(other.Created));
  EXPECT_TRUE(bob_.Messages().empty());

  // Sorting: by a number column both ways, by a text column; the order holds through a reload.
  bob_.Catalog().SortSystems(4, true);  // "Комбинаций" descending
  EXPECT_EQ(bob_.Systems()[0].Title, "Первая");
  bob_.Catalog().SortSystems(0, false);  // "Название" ascending: В before П
  EXPECT_EQ(bob_.Systems()[0].Title, "Вторая");
  bob_.Catalog().LoadSystems();
  EXPECT_EQ(bob_.Systems()[0].Title, "Вторая");

  // Not Bob's: neither edited nor deleted.
  const int bobsRow = bob_.SystemRow("Вторая");
  EXPECT_FALSE(bob_.Catalog().EditSystem(bobsRow, bob_.Catalog().SystemData(bobsRow, "01 02 03 04 05")));
  EXPECT_FALSE(bob_.Catalog().DeleteSystem(bobsRow));
  EXPECT_EQ(bob_.Messages(), std::vector<std::string>{"Вы можете удалять только свои системы!"});

  ann_.Catalog().LoadSystems();
  const int annsRow = ann_.SystemRow("Вторая");
  auto content = ann_.Catalog().SystemContent(annsRow, "Ошибка изменения системы!");
  ASSERT_TRUE(content);
  TSystemData edit = ann_.Catalog().SystemData(annsRow, *content);
  edit.Title = "Вторая, исправленная";
  ASSERT_TRUE(ann_.Catalog().EditSystem(annsRow, edit));
  bob_.Catalog().LoadSystems();
  EXPECT_GE(bob_.SystemRow("Вторая, исправленная"), 0);

  // Deleting asks first (No is the default): nothing happens until the answer is Yes.
  const int deleted = ann_.SystemRow("Вторая, исправленная");
  EXPECT_FALSE(ann_.Catalog().DeleteSystem(deleted));
  ann_.port.Answers = {true};
  ASSERT_TRUE(ann_.Catalog().DeleteSystem(deleted));
  bob_.Catalog().LoadSystems();
  EXPECT_EQ(bob_.SystemRow("Вторая, исправленная"), -1);
  EXPECT_EQ(bob_.Systems().size(), 1u);
}

TEST_F(CatalogStateTest, ScriptsArePublishedDownloadedReplacedRatedHiddenFilteredAndDeleted) {
  ann_.ws.Script().SetLines({"строка 1", "", "строка \"3\""});
  TScriptData data = ann_.Catalog().NewScriptData();
  data.Title = "  Сценарий Анны  ";
  data.Description = "Что-то\\нужное";
  ASSERT_FALSE(ann_.Catalog().CheckScriptData(data));
  const int row = ann_.Catalog().PublishScript(data);
  ASSERT_GE(row, 0) << ann_.Messages().at(0);
  const int32_t id = ann_.Catalog().Scripts()[row].Id;
  EXPECT_EQ(ScriptCellText(ann_.Catalog().Scripts()[row], 0), "Мой");
  EXPECT_EQ(ann_.Catalog().Scripts()[row].Title, "Сценарий Анны");

  // The title is taken for Bob's new script; the author must be given.
  bob_.Catalog().LoadScripts();
  TScriptData taken = bob_.Catalog().NewScriptData();
  taken.Title = "Сценарий Анны";
  EXPECT_EQ(bob_.Catalog().CheckScriptData(taken)->Message,
            "Сценарий с таким названием уже существует!\rВыберите другое название.");
  taken.Title = "Свободное";
  taken.Author = " ";
  EXPECT_EQ(bob_.Catalog().CheckScriptData(taken)->Field, 1);

  const int bobs = bob_.Catalog().FindScript(id);
  ASSERT_GE(bobs, 0);
  EXPECT_EQ(ScriptCellText(bob_.Catalog().Scripts()[bobs], 0), "Общий");
  EXPECT_FALSE(bob_.Catalog().Scripts()[bobs].Editable);
  EXPECT_FALSE(bob_.Catalog().DeleteScript(bobs));
  ASSERT_TRUE(bob_.Catalog().DownloadScript(bobs));
  EXPECT_EQ(bob_.ws.Script().Lines(), (std::vector<std::string>{"строка 1", "", "строка \"3\""}));

  ann_.ws.Script().SetLines({"новая"});
  TScriptData replaced = ann_.Catalog().ScriptData(ann_.Catalog().FindScript(id));
  replaced.Description = "Новое описание";
  ASSERT_EQ(ann_.Catalog().PublishScript(replaced), ann_.Catalog().FindScript(id));
  ASSERT_TRUE(bob_.Catalog().DownloadScript(bob_.Catalog().FindScript(id)));
  EXPECT_EQ(bob_.ws.Script().Lines(), std::vector<std::string>{"новая"});

  // Bob rates it, sees his rating and its notes, removes it, then hides the script.
  ASSERT_TRUE(bob_.Catalog().RateScript(bob_.Catalog().FindScript(id), 4, "Хорошо; \"да\""));
  ExpectListedBy(bob_, id, {{1, true}, {2, true}, {3, false}, {4, true}, {5, true}, {6, false}, {7, true}});
  const TScriptInfo rated = bob_.Catalog().Scripts()[bob_.Catalog().FindScript(id)];
  EXPECT_EQ(ScriptCellText(rated, 7), "4.000");
  EXPECT_EQ(ScriptCellText(rated, 9), "4");
  const auto rates = bob_.Catalog().ScriptRates(bob_.Catalog().FindScript(id));
  ASSERT_TRUE(rates && rates->size() == 1);
  EXPECT_EQ(RateCellText(rates->front(), 0), "Боб");
  EXPECT_EQ(RateCellText(rates->front(), 5), "Хорошо; \"да\"");
  ASSERT_TRUE(bob_.Catalog().RateScript(bob_.Catalog().FindScript(id), 0, ""));
  EXPECT_EQ(bob_.Catalog().Scripts()[bob_.Catalog().FindScript(id)].YourRating, 0);
  EXPECT_FALSE(bob_.Catalog().RateScript(bob_.Catalog().FindScript(id), 0, ""));  // no own rating left
  ASSERT_TRUE(bob_.Catalog().RateScript(bob_.Catalog().FindScript(id), -1, ""));
  EXPECT_EQ(bob_.Catalog().FindScript(id), -1);  // the default filter leaves hidden ones out
  ExpectListedBy(bob_, id, {{0, true}, {1, true}, {2, false}, {4, false}, {5, false}, {6, false}});
  ExpectListedBy(ann_, id, {{0, false}, {2, true}, {3, true}});
  EXPECT_TRUE(bob_.Messages().empty());

  ann_.port.Answers = {true};
  ASSERT_TRUE(ann_.Catalog().DeleteScript(ann_.Catalog().FindScript(id)));
  bob_.Catalog().SetFilter(1);
  ASSERT_TRUE(bob_.Catalog().LoadScripts());
  EXPECT_TRUE(bob_.Catalog().Scripts().empty());
}

// kivra-cli as two users: rows printed as the lists show them, ";" between cells; refusals exit 1.
TEST_F(CatalogStateTest, CliPrintsTheRowsAndRefusesOthersItems) {
  test::TTempDir a, b;
  const std::string url = "--catalog-url " + server_.Url() + " ";
  auto run = [&](const test::TTempDir& who, const std::string& args) {
    return test::RunCli(who.Path(), url + args, who / "err.txt");
  };
  ASSERT_EQ(run(a, "identity 'Анна' anna@example.org").Status, 0);
  ASSERT_EQ(run(b, "identity 'Боб' bob@example.org").Status, 0);
  EXPECT_EQ(run(a, "identity").Out, "Анна;anna@example.org\n");
  WriteFileAtomic(a / "sys.txt", "1,2;3 4-5\n1 2 3 4\n2 3 4 5 6\n");
  const auto added = run(a, "systems add --title 'Шесть' --descr 'Две строки' --url https://example.org --file '" +
                                (a / "sys.txt").string() + "'");
  ASSERT_EQ(added.Status, 0) << added.Err;
  const std::string id = std::string(Trim(added.Out));

  const auto list = run(b, "systems list");
  ASSERT_EQ(list.Status, 0) << list.Err;
  const auto lines = SplitScriptText(list.Out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "Название;Автор;Числа;Блок;Комбинаций;Дата создания;Статус;Загрузок;Последняя;Комментарии;Ссылка");
  EXPECT_EQ(lines[1].rfind("Шесть;Анна;06;0;2;", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(";;0;;Две строки;https://example.org"), std::string::npos) << lines[1];
  ASSERT_EQ(run(b, "systems download " + id).Status, 0);
  EXPECT_NE(run(b, "systems list").Out.find(";Загружена;"), std::string::npos);
  const auto refused = run(b, "systems delete " + id + " --yes");
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Err.find("Вы можете удалять только свои системы!"), std::string::npos);

  WriteFileAtomic(a / "s.lss", "FULL:0#FIRST|строка 1\r\nCURR:0#LAST|строка 2\r\n");
  const auto published =
      run(a, "library publish --title 'Сценарий; с точкой' --lang 1033 --script '" + (a / "s.lss").string() + "'");
  ASSERT_EQ(published.Status, 0) << published.Err;
  const std::string script = std::string(Trim(published.Out));
  ASSERT_EQ(run(b, "library rate " + script + " 3 --notes 'так себе'").Status, 0);
  const auto scripts = SplitScriptText(run(b, "library list").Out);
  ASSERT_EQ(scripts.size(), 2u);
  EXPECT_EQ(
      scripts[0],
      "Тип;Название;Автор;Программа;Версия;Язык;Создан;Рейтинг;Оценок;Ваша оценка;Загрузок;Последняя;Комментарии");
  EXPECT_EQ(scripts[1].rfind("Общий;Сценарий; с точкой;Анна;Kivra_5x45;", 0), 0u) << scripts[1];
  EXPECT_NE(scripts[1].find(";ENU;"), std::string::npos) << scripts[1];
  EXPECT_NE(scripts[1].find(";3.000;1;3;"), std::string::npos) << scripts[1];
  ASSERT_EQ(run(b, "library download " + script).Status, 0);
  EXPECT_EQ(ReadWholeFile(b / "Kivra_5x45.lss"), ReadWholeFile(a / "Kivra_5x45.lss"));
  EXPECT_EQ(run(b, "library delete " + script + " --yes").Status, 1);
  EXPECT_EQ(run(a, "library delete " + script + " --yes").Status, 0);
  EXPECT_EQ(SplitScriptText(run(b, "library list --filter 1").Out).size(), 1u);
}

TEST(CatalogStateNoServerTest, WithoutAddressThePlaceholderRowAndNoMessage) {
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws(dir.Path(), port);
  ws.LoadSettingsAndConfig();
  ws.Online().SetOverrides({std::string(), std::nullopt, std::nullopt});
  EXPECT_FALSE(ws.Catalog().HasCatalog());
  ws.Catalog().LoadSystems();
  ASSERT_EQ(ws.Systems().Rows().size(), 1u);
  EXPECT_EQ(ws.Systems().Rows()[0].Title, "Список систем не доступен!");
  EXPECT_TRUE(ws.Catalog().LoadScripts());
  EXPECT_TRUE(ws.Catalog().Scripts().empty());
  EXPECT_TRUE(port.Messages.empty());

  // A catalogue that does not answer: the error box, and the placeholder row.
  ws.Online().SetOverrides({std::string("http://127.0.0.1:9"), std::nullopt, std::nullopt});
  ws.Catalog().LoadSystems();
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка загрузки списка систем!\r\r", 0), 0u);
  EXPECT_EQ(ws.Systems().Rows()[0].Id, -1);
}

// Over https with a certificate made for the test: refused until --ca-file names it.
TEST(CatalogStateHttpsTest, TheExtraCaFileIsTrusted) {
  test::TTempDir dir;
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  const std::string make =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
      "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
      key + "' -out '" + cert + "' >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "openssl cannot make a certificate here";
  test::TServerProcess server(dir, KIVRA_SERVER, {"--cert", cert, "--key", key});
  ASSERT_EQ(server.Url().rfind("https://", 0), 0u) << server.Url();
  TUser user(server.Url(), "Анна", "anna@example.org");
  user.Catalog().LoadSystems();
  ASSERT_EQ(user.port.Messages.size(), 1u);  // not trusted
  user.port.Messages.clear();
  user.ws.Online().SetOverrides({server.Url(), std::nullopt, cert});
  TSystemData data = user.Catalog().NewSystem();
  data.Title = data.Description = "S";
  data.Content = "01 02 03 04 05";
  data.Nums = 6;
  data.Count = 1;
  ASSERT_GE(user.Catalog().AddSystem(data), 0) << user.Messages().at(0);
  user.Catalog().LoadSystems();
  EXPECT_EQ(user.Systems().size(), 1u);
  EXPECT_EQ(user.Systems()[0].Title, "S");
  EXPECT_TRUE(user.port.Messages.empty());
}

TEST(CatalogDialogRulesTest, SystemContentIsNormalised) {
  struct {
    const char* Text;
    const char* Content;
    int Nums, Count;
  } const cases[] = {
      {"1,2;3 4-5\r\n1 2 3 4", "01 02 03 04 05", 5, 1},
      {"  7*8+9.10/11 \n\n~13=14\\15_16|17:\r", "07 08 09 10 11\r\n13 14 15 16 17", 11, 2},
      {"1 2 3 4 5 6\nx 2 3 4 5\n1 2 3 4 5a", "", 0, 0},
      {"45 44 43 42 41\r10 11 12 13 14", "45 44 43 42 41\r\n10 11 12 13 14", 36, 2},
  };
  for (const auto& c : cases) {
    const TNormalisedSystem n = NormaliseSystemContent(c.Text);
    EXPECT_EQ(n.Content, c.Content) << c.Text;
    EXPECT_EQ(n.Nums, c.Nums) << c.Text;
    EXPECT_EQ(n.Count, c.Count) << c.Text;
  }
}

TEST(CatalogDialogRulesTest, SystemChecksComeInOrderAndLinksOpenOnlyOverHttp) {
  TSystemData data;
  const auto check = [&data] { return CheckSystemData(data); };
  EXPECT_EQ(check()->Field, 0);
  data.Title = "T";
  data.Nums = 5;
  EXPECT_EQ(check()->Message, "Указано недопустимое количество используемых чисел!");
  data.Nums = 46;
  EXPECT_EQ(check()->Field, 1);
  data.Nums = 45;
  data.Block = 5;
  EXPECT_EQ(check()->Message, "Указан недопустимый размер блока!");
  data.Block = 4;
  EXPECT_EQ(check()->Field, 3);
  data.Author = "A";
  EXPECT_EQ(check()->Field, 4);
  data.Description = "D";
  EXPECT_EQ(check()->Message, "Содержимое системы должно быть указано обязательно!");
  data.Content = "01 02 03 04 05";
  EXPECT_FALSE(check());
  // Each line: five different positions 1..N, named by its number.
  data.Nums = 7;
  for (const auto& [content, message] : std::vector<std::pair<std::string, std::string>>{
           {"01 02 03 04 05\r\n01 01 02 03 04", "Строка 2 списка комбинаций: нужны пять разных чисел от 1 до 7."},
           {"03 04 05 06 08", "Строка 1 списка комбинаций: нужны пять разных чисел от 1 до 7."},
           {"00 01 02 03 04", "Строка 1 списка комбинаций: нужны пять разных чисел от 1 до 7."},
           {"01 02 03 04 05 06", "Строка 1 списка комбинаций: нужны пять разных чисел от 1 до 7."},
           {"01 02 03 04 05\r\n03 04 05 06 07", ""}}) {
    data.Content = content;
    const auto error = check();
    EXPECT_EQ(error ? error->Message : "", message) << content;
    if (error) {
      EXPECT_EQ(error->Field, 5);
    }
  }

  for (const auto& [url, openable] : std::vector<std::pair<std::string, bool>>{{"http://a.org/x", true},
                                                                               {" HTTPS://a.org", true},
                                                                               {"file:///etc/passwd", false},
                                                                               {"javascript:alert(1)", false},
                                                                               {"https://", false},
                                                                               {"", false}})
    EXPECT_EQ(OpenableLink(url), openable) << url;
}

}  // namespace
}  // namespace kivra

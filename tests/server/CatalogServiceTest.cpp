// The catalogue service in-process: who sees private scripts, field limits, ids, the upgrade of
// an older database file, the size of the database log and form parsing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CatalogService.h"
#include "TempDir.h"
#include "online/Catalog.h"
#include "online/CatalogCodec.h"

namespace kivra {
namespace {

using server::TCatalogService;

class CatalogServiceTest : public ::testing::Test {
 protected:
  static TCatalogClient User(const std::string& name, const std::string& mail, const std::string& key) {
    TCatalogClient client;
    client.UserName = name;
    client.UserMail = mail;
    client.ClientKey = key;
    client.AppName = "Kivra_5x45";
    client.AppVersion = "0.1.0.0";
    client.AppGuid = "{KIVRA-GUID}";
    return client;
  }
  std::string Ask(std::string_view request, const std::string& form) {
    std::string reply;
    EXPECT_TRUE(service_->HandleForm(request, form, now_++, reply)) << request;
    return reply;
  }
  // The reply's error text ("" when it has none).
  std::string ErrorOf(std::string_view request, const std::string& form) {
    return ReadCatalogReply(Ask(request, form)).Error;
  }
  int32_t FirstInt(std::string_view request, const std::string& form, std::string_view tag) {
    const TCatalogReply reply = ReadCatalogReply(Ask(request, form));
    EXPECT_TRUE(reply.Ok) << reply.Error;
    return reply.Rows.empty() ? -1 : reply.Rows.front().Int(tag, -1);
  }
  static TSystemData System(const std::string& title) {
    TSystemData data;
    data.Nums = 10;
    data.Block = 2;
    data.Title = title;
    data.Content = "1 2 3 4 5";
    data.Count = 1;
    return data;
  }
  static TScriptData Script(const std::string& title, bool isPublic) {
    TScriptData data;
    data.Title = title;
    data.Public = isPublic;
    data.Author = "Анна";
    return data;
  }
  int32_t SaveSystem(const TCatalogClient& user, const TSystemData& data) {
    return FirstInt("sys_putdata.php", SystemSaveForm(user, data, false), "id_systems");
  }
  int32_t SaveScript(const TCatalogClient& user, const TScriptData& data) {
    return FirstInt("scr_putscript.php", ScriptSaveForm(user, data, "x = 1", false), "id_scripts");
  }
  size_t SystemCount() { return ReadCatalogReply(Ask("sys_getlist.php", SystemsListForm(ann_))).Rows.size(); }

  test::TTempDir dir_;
  std::unique_ptr<TCatalogService> service_ = std::make_unique<TCatalogService>((dir_ / "catalog.db").string());
  int64_t now_ = 1700000000;
  TCatalogClient ann_ = User("Анна", "ann@example.org", "key-ann");
  TCatalogClient bob_ = User("Боб", "bob@example.org", "key-bob");
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST_F(CatalogServiceTest, APrivateScriptItsTextAndItsRatingsAreTheOwnersOnly) {
  const int32_t hidden = SaveScript(ann_, Script("Скрытый", false));
  ASSERT_GT(hidden, 0);
  const int32_t missing = hidden + 100;
  ASSERT_EQ(FirstInt("scr_setrate.php", ScriptRateForm(ann_, hidden, 4, "моя"), "res_code"), 0);

  // The owner reads, rates and sees the ratings.
  EXPECT_EQ(ErrorOf("scr_getdata.php", ScriptDataForm(ann_, hidden)), "");
  EXPECT_EQ(ReadCatalogReply(Ask("scr_getrates.php", ScriptRatesForm(ann_, hidden))).Rows.size(), 1u);

  // Anyone else, the same e-mail with another key, or no identity at all: exactly the answer
  // for an id that does not exist.
  TCatalogClient nobody;
  const TCatalogClient impostor = User("Анна", "ANN@example.org", "other-key");
  const std::vector<std::pair<std::string, std::function<std::string(const TCatalogClient&, int32_t)>>> requests = {
      {"scr_getdata.php", [](const TCatalogClient& c, int32_t id) { return ScriptDataForm(c, id); }},
      {"scr_getrates.php", [](const TCatalogClient& c, int32_t id) { return ScriptRatesForm(c, id); }},
      {"scr_setrate.php", [](const TCatalogClient& c, int32_t id) { return ScriptRateForm(c, id, 1, "x"); }},
      {"scr_putscript.php",
       [](const TCatalogClient& c, int32_t id) {
         TScriptData data = Script("Чужой", true);
         data.Id = id;
         return ScriptSaveForm(c, data, "y", false);
       }},
  };
  for (const TCatalogClient* other : std::initializer_list<const TCatalogClient*>{&bob_, &impostor, &nobody}) {
    for (const auto& [request, form] : requests) {
      const std::string absent = Ask(request, form(*other, missing));
      ASSERT_NE(ReadCatalogReply(absent).Error, "") << request;
      EXPECT_EQ(Ask(request, form(*other, hidden)),
                ReplaceAll(absent, "#" + std::to_string(missing), "#" + std::to_string(hidden)))
          << request << " by " << other->UserMail;
    }
  }
  // Nothing the others tried reached the script or its ratings.
  EXPECT_EQ(ReadCatalogReply(Ask("scr_getrates.php", ScriptRatesForm(ann_, hidden))).Rows.size(), 1u);
  std::string text;
  ASSERT_TRUE(ReadCatalogReply(Ask("scr_getdata.php", ScriptDataForm(ann_, hidden))).Rows[0].Base64("script", text));
  EXPECT_EQ(text, "x = 1");
}

TEST_F(CatalogServiceTest, OverLongFieldsAreRefusedWithTheirLimit) {
  const int32_t script = SaveScript(ann_, Script("Есть", true));
  // Each case: a request built with one field `n` characters long (Cyrillic, two bytes each),
  // the limit and the word the refusal names.
  struct TCase {
    const char* Field;
    size_t Limit;
    std::function<std::pair<std::string, std::string>(const std::string&)> Request;
  };
  auto system = [this](auto change) {
    return [this, change](const std::string& v) {
      TSystemData data = System("Система");
      TCatalogClient user = ann_;
      change(data, user, v);
      return std::pair{std::string("sys_putdata.php"), SystemSaveForm(user, data, false)};
    };
  };
  auto scriptSave = [this](auto change) {
    return [this, change](const std::string& v) {
      TScriptData data = Script("Новый", true);
      TCatalogClient user = ann_;
      change(data, user, v);
      return std::pair{std::string("scr_putscript.php"), ScriptSaveForm(user, data, "x", false)};
    };
  };
  const std::vector<TCase> cases = {
      {"Название системы", 64, system([](TSystemData& d, TCatalogClient&, const std::string& v) { d.Title = v; })},
      {"Описание системы", 2000,
       system([](TSystemData& d, TCatalogClient&, const std::string& v) { d.Description = v; })},
      {"Ссылка", 1024, system([](TSystemData& d, TCatalogClient&, const std::string& v) { d.Url = v; })},
      {"Имя", 64, system([](TSystemData&, TCatalogClient& u, const std::string& v) { u.UserName = v; })},
      {"Электронная почта", 128,
       system([](TSystemData&, TCatalogClient& u, const std::string& v) { u.UserMail = v + "@x"; })},
      {"Название сценария", 64,
       scriptSave([](TScriptData& d, TCatalogClient&, const std::string& v) { d.Title = v; })},
      {"Описание сценария", 2000,
       scriptSave([](TScriptData& d, TCatalogClient&, const std::string& v) { d.Description = v; })},
      {"Комментарий", 1000,
       [this, script](const std::string& v) {
         return std::pair{std::string("scr_setrate.php"), ScriptRateForm(ann_, script, 3, v)};
       }},
  };
  for (const TCase& c : cases) {
    std::string fits, over;
    const size_t extra = std::string_view(c.Field) == "Электронная почта" ? 2 : 0;  // "@x"
    for (size_t i = 0; i + extra < c.Limit; ++i) fits += "ж";
    over = fits + "ж";
    const auto [request, good] = c.Request(fits);
    EXPECT_EQ(ErrorOf(request, good), "") << c.Field;
    const std::string error = ErrorOf(request, c.Request(over).second);
    EXPECT_NE(error.find(c.Field), std::string::npos) << error;
    EXPECT_NE(error.find(std::to_string(c.Limit)), std::string::npos) << error;
  }
  const size_t systems = SystemCount();

  // The contents have limits of their own: 1 MiB of script text, 4 MiB of system content.
  TScriptData big = Script("Большой", true);
  EXPECT_NE(ErrorOf("scr_putscript.php", ScriptSaveForm(ann_, big, std::string((1 << 20) + 1, 'x'), false))
                .find("1 МиБ"),
            std::string::npos);
  TSystemData huge = System("Огромная");
  for (huge.Content.clear(), huge.Count = 0; huge.Content.size() <= (4u << 20); ++huge.Count)
    huge.Content += "1 2 3 4 5                    \r\n";
  EXPECT_NE(ErrorOf("sys_putdata.php", SystemSaveForm(ann_, huge, false)).find("4 МиБ"), std::string::npos);
  EXPECT_EQ(SystemCount(), systems);
}

TEST_F(CatalogServiceTest, MalformedIdsAreRefusedAndIdsAreNeverReused) {
  const int32_t first = SaveSystem(ann_, System("Первая"));
  const int32_t second = SaveSystem(ann_, System("Вторая"));
  ASSERT_GT(second, first);
  for (const char* id : {"2147483648", "-2147483649", "1e3", "1abc", "0x10", "$10", "1 2", "+-1", "٣"}) {
    TFormBody bad;
    bad.Add("sys_id", id);
    // The first of repeated fields counts: the malformed id goes before the form's own.
    const std::string form = bad.Text() + "&" + SystemSaveForm(ann_, System("Новая"), false);
    EXPECT_EQ(ErrorOf("sys_putdata.php", form), "Недопустимый номер записи") << id;
    EXPECT_EQ(ErrorOf("sys_getdata.php", bad.Text()), "Недопустимый номер записи") << id;
    TFormBody badScript;
    badScript.Add("scr_id", id);
    EXPECT_EQ(ErrorOf("scr_putscript.php", badScript.Text() + "&" + ScriptSaveForm(ann_, Script("Н", true), "x", false)),
              "Недопустимый номер записи")
        << id;
    EXPECT_EQ(ErrorOf("scr_getdata.php", badScript.Text()), "Недопустимый номер записи") << id;
  }
  EXPECT_EQ(SystemCount(), 2u);

  // Deleting the newest item does not give its id to the next one.
  TSystemData newest = System("Вторая");
  newest.Id = second;
  ASSERT_EQ(FirstInt("sys_putdata.php", SystemSaveForm(ann_, newest, true), "id_systems"), 0);
  EXPECT_GT(SaveSystem(ann_, System("Третья")), second);
  const int32_t script = SaveScript(ann_, Script("Сценарий", true));
  TScriptData gone = Script("Сценарий", true);
  gone.Id = script;
  ASSERT_EQ(FirstInt("scr_putscript.php", ScriptSaveForm(ann_, gone, "", true), "id_scripts"), 0);
  EXPECT_GT(SaveScript(ann_, Script("Другой", true)), script);
}

// The layout kivra-server wrote before ids were kept from reuse: contents inside the rows.
constexpr const char* OldSchema = R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE users (id INTEGER PRIMARY KEY, mail TEXT NOT NULL UNIQUE, client_key TEXT NOT NULL,
  name TEXT NOT NULL DEFAULT '');
CREATE TABLE systems (id INTEGER PRIMARY KEY, owner INTEGER NOT NULL REFERENCES users(id),
  nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
  title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL, url TEXT NOT NULL,
  content TEXT NOT NULL, created INTEGER NOT NULL,
  downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE TABLE scripts (id INTEGER PRIMARY KEY, owner INTEGER NOT NULL REFERENCES users(id),
  author TEXT NOT NULL, lcid INTEGER NOT NULL, app_name TEXT NOT NULL, app_ver TEXT NOT NULL, app_guid TEXT NOT NULL,
  uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
  title TEXT NOT NULL, title_key TEXT NOT NULL, descr TEXT NOT NULL, script TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE INDEX scripts_title ON scripts(title_key);
CREATE TABLE rates (script INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
  user INTEGER NOT NULL REFERENCES users(id), rate INTEGER NOT NULL, notes TEXT NOT NULL, created INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL, PRIMARY KEY (script, user));
INSERT INTO users VALUES (1, 'ann@example.org', 'key-ann', 'Анна'), (2, 'bob@example.org', 'key-bob', 'Боб');
INSERT INTO systems VALUES (3, 1, 10, 2, 1, 'Старая', 'Описание', 'Анна', 'https://example.org', '1 2 3 4 5',
  1600000000, 7, 1600000100);
INSERT INTO systems VALUES (9, 2, 12, 0, 2, 'Вторая', '', 'Боб', '', '1 2 3 4 5' || char(13, 10) || '6 7 8 9 10',
  1600000200, 0, 0);
INSERT INTO scripts VALUES (4, 1, 'Анна', 1049, 'Kivra_5x45', '0.1', '{G}', 1, 1, 'Общий', 'общий', 'о', 'a = 1',
  1600000000, 2, 1600000300);
INSERT INTO scripts VALUES (5, 1, 'Анна', 1049, 'Kivra_5x45', '0.1', '{G}', 1, 0, 'Личный', 'личный', '', 'b = 2',
  1600000000, 0, 0);
INSERT INTO rates VALUES (4, 2, 5, 'Отлично', 1600000400, 'Kivra_5x45', '0.1'), (5, 1, 3, '', 1600000400, 'K', '1');
)sql";

TEST_F(CatalogServiceTest, AnOlderDatabaseFileIsUpgradedWithEveryRow) {
  service_.reset();
  const std::string path = (dir_ / "old.db").string();
  server::TDatabase(path).Exec(OldSchema);
  for (int open = 0; open < 2; ++open) {  // upgraded, then opened as it is
    service_ = std::make_unique<TCatalogService>(path);
    const TCatalogReply systems = ReadCatalogReply(Ask("sys_getlist.php", SystemsListForm(bob_)));
    ASSERT_EQ(systems.Rows.size(), 2u);
    TSystemInfo info;
    std::string error;
    ASSERT_TRUE(ReadSystemRow(systems.Rows[0], info, error));
    EXPECT_EQ(info.Id, 3);
    EXPECT_EQ(info.Title, "Старая");
    EXPECT_EQ(info.Url, "https://example.org");
    EXPECT_EQ(info.Downloads, 7 + open);
    std::string content;
    ASSERT_TRUE(ReadCatalogReply(Ask("sys_getdata.php", SystemDataForm(3))).Rows[0].Base64("clist", content));
    EXPECT_EQ(content, "1 2 3 4 5");
    EXPECT_EQ(ErrorOf("scr_getdata.php", ScriptDataForm(bob_, 5)), "Сценарий #5 не найден");
    EXPECT_EQ(ErrorOf("scr_getdata.php", ScriptDataForm(ann_, 5)), "");
    const TCatalogReply rates = ReadCatalogReply(Ask("scr_getrates.php", ScriptRatesForm(bob_, 4)));
    ASSERT_EQ(rates.Rows.size(), 1u);
    EXPECT_EQ(ReadRateRow(rates.Rows[0]).Notes, "Отлично");
    EXPECT_EQ(ReadCatalogReply(Ask("scr_getlist.php", ScriptsListForm(ann_, 0))).Rows.size(), 2u);
    service_.reset();
  }
  service_ = std::make_unique<TCatalogService>(path);
  // Ids go on after the largest old one, and deleting the newest does not give its id back.
  const int32_t added = SaveSystem(bob_, System("Новая"));
  EXPECT_EQ(added, 10);
  TSystemData newest = System("Новая");
  newest.Id = added;
  ASSERT_EQ(FirstInt("sys_putdata.php", SystemSaveForm(bob_, newest, true), "id_systems"), 0);
  EXPECT_EQ(SaveSystem(bob_, System("Ещё")), 11);
  // Deleting a script still takes its ratings along.
  TScriptData own = Script("Общий", true);
  own.Id = 4;
  ASSERT_EQ(FirstInt("scr_putscript.php", ScriptSaveForm(ann_, own, "", true), "id_scripts"), 0);
  EXPECT_EQ(ErrorOf("scr_getrates.php", ScriptRatesForm(ann_, 4)), "Сценарий #4 не найден");
}

TEST_F(CatalogServiceTest, TheDatabaseLogStaysSmallOverManyDownloads) {
  const int32_t id = SaveSystem(ann_, System("Популярная"));
  ASSERT_GT(id, 0);
  SaveScript(ann_, Script("Сценарий", true));
  // Downloads write a counter each; lists read beside them.
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(ErrorOf("sys_getdata.php", SystemDataForm(id)), "");
    if (i % 10 == 0) {
      ASSERT_EQ(ErrorOf("scr_getlist.php", ScriptsListForm(bob_, 1)), "");
    }
  }
  struct stat info {};
  ASSERT_EQ(stat((dir_ / "catalog.db-wal").c_str(), &info), 0);
  std::printf("log after 3,000 downloads: %lld bytes\n", static_cast<long long>(info.st_size));
  // Without checkpoints every download adds a page (4 KiB): 12 MB here.
  EXPECT_LT(info.st_size, 2 << 20);
  EXPECT_EQ(ReadCatalogReply(Ask("sys_getlist.php", SystemsListForm(bob_))).Rows[0].Int("downloads"), 3000);
}

TEST_F(CatalogServiceTest, FormsAreParsedInOnePassWithABoundOnTheirFields) {
  server::TFields fields;
  ASSERT_TRUE(server::ParseFormFields("a=1&b=%41+B&&a=2&c", fields, 4));
  EXPECT_EQ(fields, (server::TFields{{"a", "1"}, {"b", "A B"}, {"c", ""}}));
  fields.clear();
  EXPECT_FALSE(server::ParseFormFields("a=1&b=2&c=3&d=4&e", fields, 4));

  // A 16 MiB form of "a&a&..." is refused without making eight million fields.
  std::string flood;
  flood.reserve(16 << 20);
  while (flood.size() + 2 <= (16u << 20)) flood += "a&";
  EXPECT_NE(ErrorOf("sys_getlist.php", flood).find("полей"), std::string::npos);
  // Empty pieces are no fields.
  EXPECT_EQ(ErrorOf("sys_getlist.php", std::string(1 << 20, '&')), "");
  std::string reply;
  EXPECT_FALSE(service_->HandleForm("other.php", "a=1", now_, reply));
}

}  // namespace
}  // namespace kivra

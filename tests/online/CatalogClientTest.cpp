// The catalogue client against a stub: the fields each request sends, and hostile replies.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "online/Catalog.h"
#include "online/TimeZone.h"
#include "online/ZipHelpers.h"

namespace kivra {
namespace {

using Fields = std::map<std::string, std::string>;

// A stub catalogue: remembers the last request of each script and answers with a set reply.
class TCatalogStub {
 public:
  TCatalogStub() {
    server_.Server.Post(R"(/cat/scripts/([a-z_]+\.php))", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      Fields fields;
      for (auto& [name, value] : ParseFormBody(req.body)) fields.emplace(name, value);
      last_[req.matches[1]] = fields;
      contentType_ = req.get_header_value("Content-Type");
      res.status = status_;
      res.set_content(reply_, "text/xml; charset=utf-8");
    });
    server_.Start();
    client.BaseUrl = server_.Url("/cat/");
    client.UserName = "Иван \"Ваня\"";
    client.UserMail = "Ivan@Example.org";
    client.ClientKey = "key1";
    client.AppName = "Kivra_5x45";
    client.AppVersion = "0.1.0.0";
    client.AppGuid = "{GUID-1}";
  }
  void Reply(std::string text, int status = 200) {
    std::lock_guard lock(mutex_);
    reply_ = std::move(text);
    status_ = status;
  }
  Fields Last(const std::string& script) {
    std::lock_guard lock(mutex_);
    return last_[script];
  }
  std::string ContentType() {
    std::lock_guard lock(mutex_);
    return contentType_;
  }

  TCatalogClient client;

 private:
  test::TTestServer server_;
  std::mutex mutex_;
  std::map<std::string, Fields> last_;
  std::string reply_ = "<result></result>";
  std::string contentType_;
  int status_ = 200;
};

void ExpectClientFields(const Fields& f, const char* lcid = "1049") {
  EXPECT_EQ(f.at("cl_name"), "Иван \\\"Ваня\\\"");
  EXPECT_EQ(f.at("cl_mail"), "Ivan@Example.org");
  EXPECT_EQ(f.at("cl_lcid"), lcid);
  EXPECT_EQ(f.at("cl_key"), "key1");
  EXPECT_EQ(f.at("cl_app"), "Kivra_5x45");
  EXPECT_EQ(f.at("cl_ver"), "0.1.0.0");
  EXPECT_EQ(f.at("cl_guid"), "{GUID-1}");
}

TEST(CatalogClientTest, SystemRequestsSendTheirFieldsAndReadTheirRows) {
  TCatalogStub stub;
  const test::TTimeZone zone("UTC");
  stub.Reply("<result><row><id>12</id><nums>10</nums><olap>2</olap><csize>3</csize><title>" +
             Base64Encode("Моя система") + "</title><descr>" + Base64Encode("Описание") +
             "</descr><author>Петя &amp; Co</author><cl_mail>p@x.ru</cl_mail><url>http://a/?b=1&amp;c</url>"
             "<created>2024-05-01 10:00:00</created><last_download>short</last_download><downloads>x5</downloads></row>"
             "<row><id>13</id><nums>46</nums></row><row><id>zz</id><nums>6</nums></row></result>");
  const auto list = LoadSystemsList(stub.client);
  ASSERT_TRUE(list.Ok) << list.Error;
  EXPECT_EQ(stub.ContentType().rfind("application/x-www-form-urlencoded", 0), 0u);
  Fields f = stub.Last("sys_getlist.php");
  EXPECT_EQ(f.at("comblen"), "5");
  EXPECT_EQ(f.at("maxnums"), "45");
  ExpectClientFields(f);
  ASSERT_EQ(list.Value.size(), 2u);  // Nums 46 is left out
  const TSystemInfo& s = list.Value[0];
  EXPECT_EQ(s.Id, 12);
  EXPECT_EQ(s.Nums, 10);
  EXPECT_EQ(s.Block, 2);
  EXPECT_EQ(s.Count, 3);
  EXPECT_EQ(s.Title, "Моя система");
  EXPECT_EQ(s.Description, "Описание");
  EXPECT_EQ(s.Author, "Петя & Co");
  EXPECT_EQ(s.AuthorMail, "p@x.ru");
  EXPECT_EQ(s.Url, "http://a/?b=1&c");
  EXPECT_EQ(DateTimeToText(s.Created), "2024-05-01 10:00:00");
  EXPECT_EQ(s.LastDownload, 0);
  EXPECT_EQ(s.Downloads, 0);
  EXPECT_EQ(list.Value[1].Id, -1);

  TSystemData data;
  data.Id = 12;
  data.Nums = 10;
  data.Block = 2;
  data.Count = 1;
  data.Title = "Name?";
  data.Description = "It's";
  data.Url = "http://x/?a=1&b=+";
  data.Content = "01 02 03 04 05\r\n";
  stub.Reply("<result><row><id_systems>-1</id_systems></row><row><id_systems>12</id_systems></row></result>");
  const auto saved = SaveSystem(stub.client, data, false);
  ASSERT_TRUE(saved.Ok) << saved.Error;
  EXPECT_EQ(saved.Value, 12);
  f = stub.Last("sys_putdata.php");
  const Fields expected = {{"del_mode", "0"},
                           {"sys_id", "12"},
                           {"nums", "10"},
                           {"clen", "5"},
                           {"olap", "2"},
                           {"title", "Name\\?"},
                           {"descr", "It\\'s"},
                           {"csize", "1"},
                           {"clist", Base64Encode("01 02 03 04 05\\r\\n")},
                           {"url", "http://x/?a=1&b=+"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(f.at(name), value) << name;
  ExpectClientFields(f);
  ASSERT_TRUE(SaveSystem(stub.client, data, true).Ok);
  EXPECT_EQ(stub.Last("sys_putdata.php").at("del_mode"), "1");
  EXPECT_EQ(stub.Last("sys_putdata.php").at("clist"), "");

  stub.Reply("<result><row><clist></clist></row><row><CLIST>" + Base64Encode("1 2 3 4 5") + "</CLIST></row></result>");
  const auto content = LoadSystemContent(stub.client, 12);
  ASSERT_TRUE(content.Ok) << content.Error;
  EXPECT_EQ(content.Value, "1 2 3 4 5");
  EXPECT_EQ(stub.Last("sys_getdata.php"), (Fields{{"sys_id", "12"}}));
}

TEST(CatalogClientTest, ScriptRequestsSendTheirFieldsAndReadTheirRows) {
  TCatalogStub stub;
  stub.Reply(
      "<result><row><id>4</id><app_name>Kivra_5x45</app_name><app_ver>0.1</app_ver><key_cl_name>Иван</key_cl_name>"
      "<key_cl_mail>ivan@example.ORG</key_cl_mail><key_cl_lcid>1033</key_cl_lcid><uniapps>0</uniapps>"
      "<publics>2</publics><rating_avg>4.5</rating_avg><rating_cnt>2</rating_cnt><rating_you>-1</rating_you>"
      "<title>" +
      Base64Encode("Сценарий") +
      "</title><descr></descr><app_guid>{guid-1}</app_guid></row>"
      "<row><id>5</id><uniapps>0</uniapps><app_guid>{other}</app_guid><rating_avg>abc</rating_avg></row>"
      "<row><id>6</id><uniapps>1</uniapps><app_guid>{other}</app_guid></row></result>");
  const auto list = LoadScriptsList(stub.client, 1);
  ASSERT_TRUE(list.Ok) << list.Error;
  Fields f = stub.Last("scr_getlist.php");
  EXPECT_EQ(f.at("fltid"), "1");
  ExpectClientFields(f);
  ASSERT_EQ(list.Value.size(), 3u);
  const TScriptInfo& s = list.Value[0];
  EXPECT_EQ(s.Title, "Сценарий");
  EXPECT_EQ(s.Author, "Иван");
  EXPECT_EQ(s.Language, 1033);
  EXPECT_TRUE(s.Public);
  EXPECT_FALSE(s.Universal);
  EXPECT_DOUBLE_EQ(s.RatingAvg, 4.5);
  EXPECT_EQ(s.RatingCount, 2);
  EXPECT_EQ(s.YourRating, -1);
  EXPECT_TRUE(s.Own && s.Downloadable && s.Editable);
  EXPECT_FALSE(list.Value[1].Own || list.Value[1].Downloadable);
  EXPECT_EQ(list.Value[1].RatingAvg, 0);
  EXPECT_TRUE(list.Value[2].Downloadable);

  stub.Reply("<result><row><script>" + Base64Encode("a\r\nb") + "</script></row></result>");
  const auto text = LoadScriptText(stub.client, 4);
  ASSERT_TRUE(text.Ok);
  EXPECT_EQ(SplitScriptText(text.Value), (std::vector<std::string>{"a", "b"}));
  // The identity goes along: the server shows a private script to its owner only.
  f = stub.Last("scr_getdata.php");
  EXPECT_EQ(f.at("scr_id"), "4");
  ExpectClientFields(f);

  stub.Reply("<result><row><res_code>0</res_code></row></result>");
  ASSERT_TRUE(RateScript(stub.client, 4, 5, "Отлично!\n").Ok);
  f = stub.Last("scr_setrate.php");
  EXPECT_EQ(f.at("scr_id"), "4");
  EXPECT_EQ(f.at("rate_value"), "5");
  EXPECT_EQ(f.at("rate_notes"), "Отлично!\\n");
  ExpectClientFields(f);
  stub.Reply("<result><row><res_code>-3</res_code></row></result>");
  EXPECT_EQ(RateScript(stub.client, 4, 5, "").Error, "Код возврата: -3");

  stub.Reply("<result><row><ret_code>1</ret_code></row></result>");
  const auto title = CheckScriptTitle(stub.client, -1, "A \"B\"");
  ASSERT_TRUE(title.Ok);
  EXPECT_FALSE(title.Value);
  EXPECT_EQ(stub.Last("scr_chktitle.php"), (Fields{{"scr_id", "-1"}, {"scr_title", "A \\\"B\\\""}}));

  TScriptData data;
  data.Id = -1;
  data.Language = 1058;
  data.Universal = true;
  data.Public = false;
  data.Title = "T";
  data.Description = "D\\";
  stub.Reply("<result><row><id_scripts>9</id_scripts></row></result>");
  const auto saved = SaveScript(stub.client, data, {"x = 1", "'y'"}, false);
  ASSERT_TRUE(saved.Ok);
  EXPECT_EQ(saved.Value, 9);
  f = stub.Last("scr_putscript.php");
  const Fields expected = {{"del_mode", "0"},
                           {"scr_id", "-1"},
                           {"scr_uniapps", "1"},
                           {"scr_publics", "0"},
                           {"scr_title", "T"},
                           {"scr_descr", "D\\\\"},
                           {"scr_script", "x = 1\\r\\n\\'y\\'"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(f.at(name), value) << name;
  ExpectClientFields(f, "1058");
  ASSERT_TRUE(SaveScript(stub.client, data, {"x"}, true).Ok);
  EXPECT_EQ(stub.Last("scr_putscript.php").count("scr_script"), 0u);

  stub.Reply(
      "<result><row><key_cl_name>A&lt;B</key_cl_name><rate>4</rate><created>2024-01-02 03:04:05</created>"
      "<app_name>K</app_name><app_ver>1</app_ver><notes>ok</notes></row></result>");
  const auto rates = LoadScriptRates(stub.client, 4);
  ASSERT_TRUE(rates.Ok);
  ASSERT_EQ(rates.Value.size(), 1u);
  EXPECT_EQ(rates.Value[0].Name, "A<B");
  EXPECT_EQ(rates.Value[0].Rate, 4);
  EXPECT_EQ(rates.Value[0].Notes, "ok");
  f = stub.Last("scr_getrates.php");
  EXPECT_EQ(f.at("scr_id"), "4");
  ExpectClientFields(f);
}

TEST(CatalogClientTest, HostileRepliesFailTheRequestWithAReason) {
  TCatalogStub stub;
  const struct {
    std::string Reply;
    int Status;
    std::string Error;  // empty: any non-empty reason
  } cases[] = {
      {"<result><row><error>Доступ запрещён</error></row></result>", 200, "Доступ запрещён"},
      {"<result><row><id>1</id><nums>6</nums><title>***</title></row></result>", 200, ""},
      {"<result><row><id>1</id><nums>6</nums><descr>QQ=</descr></row></result>", 200, ""},
      {"not found", 500, ""},
      {std::string(MaxCatalogBytes + 10, 'x'), 200, ""},
  };
  for (const auto& c : cases) {
    stub.Reply(c.Reply, c.Status);
    const auto list = LoadSystemsList(stub.client);
    EXPECT_FALSE(list.Ok) << c.Reply.substr(0, 60);
    EXPECT_TRUE(list.Value.empty());
    if (c.Error.empty()) EXPECT_FALSE(list.Error.empty());
    else EXPECT_EQ(list.Error, c.Error);
  }
  stub.Reply("<result><row><script>@@@@</script></row></result>");
  EXPECT_FALSE(LoadScriptText(stub.client, 1).Ok);
  stub.Reply("<result><row><id_scripts>x</id_scripts></row></result>");
  EXPECT_EQ(SaveScript(stub.client, TScriptData(), {"a"}, false).Value, -1);
  stub.Reply("");
  EXPECT_FALSE(CheckScriptTitle(stub.client, 1, "t").Ok);
  EXPECT_FALSE(RateScript(stub.client, 1, 1, "").Ok);
  // An empty list is a successful answer.
  EXPECT_TRUE(LoadSystemsList(stub.client).Ok);

  TCatalogClient nowhere = stub.client;
  nowhere.BaseUrl = "http://127.0.0.1:1";
  EXPECT_FALSE(LoadScriptsList(nowhere, 1).Ok);
}

}  // namespace
}  // namespace kivra

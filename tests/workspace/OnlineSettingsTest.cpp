// The online section of the configuration: overrides, identity and the per-installation key.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/IniFile.h"
#include "workspace/OnlineSettings.h"

namespace kivra {
namespace {

TEST(OnlineSettingsTest, ReadsTheSectionAndPrefersOverrides) {
  test::TTempDir dir;
  const auto ini = dir.Path() / "Kivra_5x45.ini";
  TIniFile file;
  file.WriteString("ONLINE", "CatalogUrl", " https://cat.example/// ");
  file.WriteString("ONLINE", "UpdateUrl", "/srv/updates");
  file.Save(ini);

  TOnlineSettings online(ini);
  EXPECT_EQ(online.CatalogUrl(), "https://cat.example");
  EXPECT_EQ(online.UpdateUrl(), "/srv/updates");
  EXPECT_EQ(online.CaFile(), "");

  online.SetOverrides({.CatalogUrl = "http://127.0.0.1:8080/", .UpdateUrl = "", .CaFile = "/tmp/ca.pem"});
  EXPECT_EQ(online.CatalogUrl(), "http://127.0.0.1:8080");
  EXPECT_EQ(online.UpdateUrl(), "");  // an empty override turns the update off
  EXPECT_EQ(online.CaFile(), "/tmp/ca.pem");
}

TEST(OnlineSettingsTest, IdentityAndClientKeyAreStoredOnce) {
  test::TTempDir dir;
  const auto ini = dir.Path() / "Kivra_5x45.ini";
  TOnlineSettings online(ini);
  EXPECT_FALSE(online.HasIdentity());
  ASSERT_TRUE(online.SaveIdentity(" Иван ", "ivan@example.org"));
  EXPECT_TRUE(online.HasIdentity());
  EXPECT_EQ(online.UserName(), "Иван");

  const std::string key = online.ClientKey();
  ASSERT_EQ(key.size(), 32u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(TOnlineSettings(ini).ClientKey(), key);  // kept in the file
  EXPECT_NE(MakeClientKey(), key);
}

TEST(OnlineSettingsTest, PlausibleMailAddresses) {
  for (const auto& [mail, plausible] : std::vector<std::pair<std::string, bool>>{
           {"ivanov@example.ru", true}, {"a.b+c@mail.example.org", true}, {"ivanov", false},
           {"@example.ru", false}, {"ivanov@", false}, {"ivanov@localhost", false}, {"ivanov@example.", false},
           {"iva nov@example.ru", false}, {"a@b@example.ru", false}, {"ivanov@.ru", false}})
    EXPECT_EQ(PlausibleMail(mail), plausible) << mail;
}

}  // namespace
}  // namespace kivra

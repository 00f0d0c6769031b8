#include "core/Config.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/IniFile.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"

namespace kivra {
namespace {

TConfiguration Read(std::string_view iniText) {
  TConfiguration c;
  ReadConfiguration(TIniFile::FromText(iniText), c);
  return c;
}

TEST(Config, MissingFileGivesDefaults) {
  test::TTempDir dir;
  TRecordingPort port;
  TConfiguration c;
  ConfigLoad(dir / "Kivra_5x45.ini", c, port);
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(port.Progress, (std::vector<std::string>{"Загрузка файла конфигурации...", ""}));
  EXPECT_EQ(c, TConfiguration{});
  EXPECT_EQ(c.Data.MatrixCols, 5);
  EXPECT_EQ(c.Data.ChannelSize, 5);
  EXPECT_EQ(c.Data.MaxStake, 12);
  EXPECT_EQ(c.Data.Cost, 0);
  EXPECT_TRUE(c.Data.Profits.empty());
  EXPECT_EQ(c.Data.Coefs.Count, 0);
  EXPECT_EQ(c.Data.Coefs.Deviation, -1);
  EXPECT_EQ(c.Data.Coefs.Level, 1);
  EXPECT_EQ(c.Shredding.Digits, (std::array<int32_t, 3>{2, 2, 2}));
  EXPECT_EQ(c.Shredding.Formulas[0], "(n1+n2+n3)/(n4+n5)");
  for (uint8_t s : c.Data.Segments) EXPECT_EQ(s, 1);
  EXPECT_EQ(c.Proxy.Mode, 0);
  EXPECT_EQ(c.Proxy.Port, 80);
}

TEST(Config, ValueForms) {
  const TConfiguration c = Read(
      "[global]\nmatrixcols=0x7\nMatrixSegments=12\nChannelSize=abc\nCombsGenerateMode=3\n"
      "CombsGenerateParameters=1;2;3\n"
      "[STAKES]\nCost=12.3456789\nMaxStake=99999999999\nProfits=3\n"
      "Profit_0_Overlap=5\nProfit_0_Profit=1000000,5\nProfit_1_Overlap=4\nProfit_1_Profit=bad\n"
      "[CDL]\nCount=0.5\nDeviation=-1.25\nLevel=\nUsePercents=2\nUseAbsValues=-1\n"
      "[SHREDDING]\nFormula2=n1*2\nFormula3Digits=4\n"
      "[PROXY]\nProxyServer=proxy.local\n");
  EXPECT_EQ(c.Data.MatrixCols, 7);
  EXPECT_EQ(c.Data.Segments[0], 1);
  EXPECT_EQ(c.Data.Segments[1], 2);
  EXPECT_EQ(c.Data.Segments[2], 1);
  EXPECT_EQ(c.Data.ChannelSize, 5);  // malformed: default
  EXPECT_EQ(c.Gen.Mode, 3);
  EXPECT_EQ(c.Gen.Parameters, "1;2;3");
  EXPECT_EQ(c.Data.Cost, 123457);  // 12.3457
  EXPECT_EQ(c.Data.MaxStake, 12);  // beyond 32 bits: default
  ASSERT_EQ(c.Data.Profits.size(), 3u);
  EXPECT_EQ(c.Data.Profits[0], (TProfitItem{5, 10000005000}));
  EXPECT_EQ(c.Data.Profits[1], (TProfitItem{4, 0}));
  EXPECT_EQ(c.Data.Profits[2], (TProfitItem{0, 0}));
  EXPECT_EQ(c.Data.Coefs.Count, 0.5L);
  EXPECT_EQ(c.Data.Coefs.Deviation, -1.25L);
  EXPECT_EQ(c.Data.Coefs.Level, 1);
  EXPECT_TRUE(c.Data.Coefs.UsePercents);
  EXPECT_FALSE(c.Data.Coefs.UseAbsValues);  // on only above 0
  EXPECT_EQ(c.Shredding.Formulas[1], "n1*2");
  EXPECT_EQ(c.Shredding.Digits[2], 4);
  EXPECT_EQ(c.Proxy.Mode, 2);  // no mode but a server

  EXPECT_EQ(Read("[PROXY]\nProxyServer=x\nProxyMode=1\n").Proxy.Mode, 1);
  EXPECT_EQ(Read("[GLOBAL]\nMatrixSegments=0x9").Data.Segments[0], 0);  // any digit, 0 included
  EXPECT_EQ(Read("[STAKES]\nProfits=2000000000\n").Data.Profits.size(), size_t(MaxProfitEntries));
  EXPECT_TRUE(Read("[STAKES]\nProfits=-4\n").Data.Profits.empty());
  EXPECT_EQ(MoneyFromFloat(0.00005L), 0);  // halves to even
  EXPECT_EQ(MoneyFromFloat(-2.5L), -25000);
}

TEST(Config, WritersKeepOtherKeys) {
  test::TTempDir dir;
  const auto path = dir / "Kivra_5x45.ini";
  test::WriteBytes(path, Utf8ToCp1251("; заметка\r\n[GLOBAL]\r\nUnknown=Привет\r\nMatrixCols=9\r\n"
                                      "[SHREDDING]\r\nFormula1=n1\r\n[PROXY]\r\nProxyPort=3128\r\n[Other]\r\nk=v\r\n"));
  TRecordingPort port;
  TConfiguration c;
  ConfigLoad(path, c, port);
  c.Data.MatrixCols = 7;
  c.Data.Cost = 123457;
  c.Data.Segments[44] = 9;
  c.Data.Profits = {{5, 10000000}, {3, 15000}};
  c.Data.Coefs.UseAbsValues = true;
  ASSERT_TRUE(ConfigSave(path, c.Data, port));
  EXPECT_EQ(port.Progress[2], "Сохранение файла конфигурации...");

  const std::string text = Cp1251ToUtf8(test::ReadBytes(path));
  EXPECT_EQ(text.rfind("; заметка\r\n[GLOBAL]\r\nUnknown=Привет\r\nMatrixCols=7\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("[SHREDDING]\r\nFormula1=n1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\r\nk=v\r\n"), std::string::npos);
  EXPECT_NE(text.find("Cost=12.3457\r\n"), std::string::npos);
  EXPECT_NE(text.find("Profit_1_Profit=1.5\r\n"), std::string::npos);
  EXPECT_NE(text.find("UseAbsValues=1\r\n"), std::string::npos);

  TConfiguration back;
  ConfigLoad(path, back, port);
  EXPECT_EQ(back, c);

  c.Proxy = {2, "host", 8080, "user", "secret"};
  ASSERT_TRUE(SaveProxyConfig(path, c.Proxy, port));
  c.Shredding.Formulas[2] = "n5-n1";
  ASSERT_TRUE(SaveShreddingConfig(path, c.Shredding, port));
  c.Gen = {2, "1-10;1"};
  const size_t progressBefore = port.Progress.size();
  ASSERT_TRUE(SaveGenDefaults(path, c.Gen));
  EXPECT_EQ(port.Progress.size(), progressBefore);  // silent writer
  ConfigLoad(path, back, port);
  EXPECT_EQ(back, c);
  EXPECT_TRUE(port.Messages.empty());
}

TEST(Config, Failures) {
  test::TTempDir dir;
  TRecordingPort port;
  TConfiguration c;
  c.Data.MatrixCols = 3;
  std::filesystem::create_directory(dir / "folder.ini");
  ConfigLoad(dir / "folder.ini", c, port);
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка чтения файла конфигурации!\r\r", 0), 0u);
  EXPECT_EQ(c.Data.MatrixCols, 3);  // not read: stays as it was

  EXPECT_FALSE(ConfigSave(dir / "folder.ini", c.Data, port));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка записи в файл конфигурации!\r\r", 0), 0u);
  EXPECT_TRUE(port.IsIdle());
  EXPECT_EQ(port.Progress.back(), "");

  // An ini with 10,000 sections and binary garbage still loads.
  std::string big;
  for (int i = 0; i < 10000; ++i) big += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  big += std::string("[GLOBAL]\r\nMatrixCols=\0\xFF\x01", 24) + "\r\n";
  test::WriteBytes(dir / "big.ini", big);
  TConfiguration fromBig;
  ConfigLoad(dir / "big.ini", fromBig, port);
  EXPECT_EQ(fromBig.Data.MatrixCols, 5);
  EXPECT_EQ(port.Messages.size(), 2u);
}

TEST(Config, ConfigurationLines) {
  TConfiguration c;
  c.Data.Profits = {{5, 12345}};
  const auto lines = ConfigurationLines(c);
  EXPECT_EQ(lines.front(), "GLOBAL.MatrixCols=5");
  EXPECT_EQ(lines[1], "GLOBAL.MatrixSegments=" + std::string(45, '1'));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "STAKES.Profit_0_Profit=1.2345"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CDL.Deviation=-1"), lines.end());
  EXPECT_EQ(lines.back(), "PROXY.ProxyPassword=");
}

}  // namespace
}  // namespace kivra

#include "stats/StatList.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/IniFile.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"
#include "stats/StatFamilies.h"

namespace kivra {
namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    list.SetDraws(&draws);
    list.Build();
  }
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (int i = 0; i < list.Count(); ++i) codes.push_back(list.Code(i));
    return codes;
  }
  TDrawsArray draws;
  TStatList list;
  TRecordingPort port;
  test::TTempDir dir;
};

TEST_F(Registry, BuildFollowsTheClassList) {
  // Entries appear in class-list order, parameterised classes once per parameter value.
  const auto codes = Codes();
  ASSERT_GE(codes.size(), 8u);
  EXPECT_EQ(codes[0], "NUMS");
  EXPECT_EQ(codes[2], "EVEN");
  int previous = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const TStatClass* cls = list.Item(i).StatClass;
    const auto& classes = StatClassList();
    const int no = static_cast<int>(std::find(classes.begin(), classes.end(), cls) - classes.begin());
    EXPECT_GE(no, previous) << codes[i];
    previous = no;
  }
  const auto pos1 = std::find(codes.begin(), codes.end(), "POS1");
  ASSERT_NE(pos1, codes.end());
  EXPECT_EQ(*(pos1 + 4), "POS5");
  EXPECT_EQ(std::count(codes.begin(), codes.end(), "POE1"), 0);  // empty range: no entry
  EXPECT_EQ(list.ListCaption(static_cast<int>(pos1 - codes.begin()), true), "{ num } Число в 1 позиции тиража [ SNG ]");
  EXPECT_EQ(list.ListCaption(0, false), "{ num } Числа тиража");
  list.ShowGroupName = false;
  EXPECT_EQ(list.ListCaption(0, true), "Числа тиража [ N ]");
  list.ShowMethodFlags = false;
  EXPECT_EQ(list.ListCaption(0, true), "Числа тиража");

  EXPECT_EQ(TStatList::GroupCaption(0), "{ num } Числа тиража");
  EXPECT_EQ(TStatList::GroupCaption(13), "#ERROR#");
  EXPECT_EQ(list.FindCode("pos3"), list.FindCode("POS3"));
  EXPECT_EQ(list.FindCode("NOPE"), -1);
  EXPECT_EQ(list.CreateStat(list.FindCode("POS3"))->Param(), 3);
}

TEST_F(Registry, FavouritesText) {
  EXPECT_EQ(list.FavoritesText(), "");
  list.SetFavoritesText("nums,EVEN");
  EXPECT_FALSE(list.AllFavorites);
  EXPECT_EQ(list.FavoritesText(), "NUMS,EVEN");
  EXPECT_EQ(list.SelectorItems(false).size(), 2u);
  EXPECT_EQ(list.SelectorItems(true).size(), 1u);  // EVEN is a graph statistic

  list.SetFavoritesText("NUMS, EVEN");  // words are not trimmed
  EXPECT_EQ(list.FavoritesText(), "NUMS");

  list.SetFavoritesText("XXXX,YYYY");
  EXPECT_FALSE(list.AllFavorites);
  EXPECT_TRUE(list.SelectorItems(false).empty());

  for (int i = 0; i < list.Count(); ++i) list.Item(i).Favorite = false;
  list.NormalizeFavorites();  // nothing marked: everything offered
  EXPECT_TRUE(list.AllFavorites);
  EXPECT_EQ(list.FavoritesText(), "");
  EXPECT_EQ(static_cast<int>(list.SelectorItems(false).size()), list.Count());

  list.Item(1).Favorite = false;
  list.NormalizeFavorites();
  EXPECT_FALSE(list.AllFavorites);
  list.SetFavoritesText("   ");
  EXPECT_TRUE(list.AllFavorites);
  EXPECT_TRUE(list.Item(1).Favorite);
}

TEST_F(Registry, OrderedSelector) {
  list.Ordered = true;
  const auto items = list.SelectorItems(false);
  for (size_t i = 1; i < items.size(); ++i) EXPECT_LE(items[i - 1].Caption, items[i].Caption);
}

TEST_F(Registry, NamesFile) {
  const auto file = dir / "Kivra_5x45.flt";
  EXPECT_TRUE(list.LoadNames(file, true, port));  // missing: defaults
  EXPECT_TRUE(list.AllFavorites);
  EXPECT_TRUE(port.Messages.empty());

  test::WriteBytes(file, Utf8ToCp1251("[FILTERS]\r\nFavorites=EVEN\r\nOrdered=1\r\nShowGroupName=0\r\n"
                                      "[STRINGS_RUS]\r\nEVEN=  Чётные  \r\n[STRINGS_ENG]\r\nEVEN=Even\r\n"));
  ASSERT_TRUE(list.LoadNames(file, true, port));
  EXPECT_TRUE(list.Ordered);
  EXPECT_FALSE(list.ShowGroupName);
  EXPECT_TRUE(list.ShowMethodFlags);
  EXPECT_EQ(list.FavoritesText(), "EVEN");
  const int even = list.FindCode("EVEN");
  EXPECT_EQ(list.Item(even).CustomName, "Чётные");
  EXPECT_EQ(list.ListCaption(even, true), "Чётные [ NG ]");

  list.Item(0).CustomName = "Мои числа";
  list.Item(even).CustomName.clear();
  ASSERT_TRUE(list.SaveNames(file, true, false, port));
  const TIniFile ini = TIniFile::Load(file);
  EXPECT_EQ(ini.ReadString("STRINGS_RUS", "NUMS", ""), "Мои числа");
  EXPECT_FALSE(ini.KeyExists("STRINGS_RUS", "EVEN"));
  EXPECT_EQ(ini.ReadString("STRINGS_ENG", "EVEN", ""), "Even");  // other languages untouched
  EXPECT_EQ(ini.ReadString("FILTERS", "Favorites", "?"), "EVEN");

  ASSERT_TRUE(list.SaveNames(dir / "all.flt", false, true, port));
  const TIniFile all = TIniFile::Load(dir / "all.flt");
  EXPECT_EQ(static_cast<int>(all.KeyNames("STRINGS_RUS").size()), list.Count());
  EXPECT_FALSE(all.SectionExists("FILTERS"));

  // Unreadable or garbage: the message and the registry keeps working.
  std::filesystem::create_directory(dir / "folder.flt");
  EXPECT_FALSE(list.LoadNames(dir / "folder.flt", true, port));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка загрузки списка фильтров!\r\r", 0), 0u);
  EXPECT_FALSE(list.SaveNames(dir / "folder.flt", true, false, port));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка сохранения списка фильтров!\r\r", 0), 0u);
  std::string garbage(50000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 131 % 251);
  test::WriteBytes(dir / "garbage.flt", garbage);
  EXPECT_TRUE(list.LoadNames(dir / "garbage.flt", true, port));
}

// A shredding entry's name is a template for its formula text; stray "%" signs are shown as they are.
TEST_F(Registry, ShreddingNamesSubstituteOnlyTheFormula) {
  class TFakeShredClass : public TStatClass {
   public:
    std::string_view ClassName() const override { return "TFake"; }
    std::string_view GetCode() const override { return "SHR%d"; }
    std::string_view GetCaption() const override { return "Метод шинковки %0:d: %%s"; }
    std::string_view GetHelpCode() const override { return "SHRx"; }
    int GetGroup() const override { return 12; }
    uint8_t GetOptions() const override { return OptS | OptN; }
    bool IsAvailable(const TStatEnv&) const override { return true; }
    bool IsEnabled() const override { return true; }
    bool IsGraph() const override { return true; }
    bool IsNumeric() const override { return true; }
    bool HasParam() const override { return true; }
    std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) const override { return {1, 3}; }
    std::unique_ptr<TCustomStat> Create(const TStatEnv&, int32_t) const override { return nullptr; }
  } fake;
  TStatMethod m{&fake, 2, true, "", "(n4+n5)/(n1+n2+n3)"};
  EXPECT_EQ(list.MethodName(m), "Метод шинковки 2: (n4+n5)/(n1+n2+n3)");
  m.CustomName = "100% шинковка %d %s%";
  EXPECT_EQ(list.MethodName(m), "100% шинковка %d (n4+n5)/(n1+n2+n3)%");
}

}  // namespace
}  // namespace kivra

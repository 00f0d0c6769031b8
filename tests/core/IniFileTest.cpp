#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/TextCodec.h"

namespace kivra {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("kivra_ini_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static void PutBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }
  static std::string GetBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

// --- Names and parsing ---------------------------------------------------------------------

TEST(FoldNameTest, LowercasesAsciiAndCyrillicCapitalsOnly) {
  const struct {
    std::string_view name;
    std::string_view folded;
  } cases[] = {
      {"Window Main_1", "window main_1"},
      {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
      {"абв ёё уже", "абв ёё уже"},
      {"ЁЛКА Ёж", "ёлка ёж"},
      {"ЂЃЄЅІЇЈЉЊЋЌЎЏҐ", "ђѓєѕіїјљњћќўџґ"},
      {"ÀÉ Ω", "ÀÉ Ω"},                          // other scripts are not folded
      {"\xD0\x41\x42\xD0", "\xD0\x61\x62\xD0"},  // malformed: lead bytes without continuation
      {std::string_view("K\0Y", 3), std::string_view("k\0y", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(FoldName(c.name), c.folded);
  }
}

TEST_F(IniFileTest, LooksUpNamesWithoutRegardToCaseAndTrimsBlanks) {
  const TIniFile ini = TIniFile::FromText(
      "[ Main ]\r\n"
      "  Font Size = 12 \r\n"
      "Formula=a=b=c\r\n"
      "Empty=\r\n"
      "\tTabbed\t=\tvalue with  inner  blanks\t\r\n"
      "[Настройки Окна]\r\n"
      "Ёмкость=5\r\n");

  EXPECT_TRUE(ini.SectionExists("MAIN"));
  EXPECT_TRUE(ini.SectionExists("  main  "));
  EXPECT_TRUE(ini.SectionExists("настройки окна"));
  EXPECT_TRUE(ini.SectionExists("НАСТРОЙКИ ОКНА"));
  EXPECT_FALSE(ini.SectionExists("Настройки"));

  EXPECT_EQ(ini.Value("main", "FONT SIZE"), "12");
  EXPECT_EQ(ini.Value("Main", "formula"), "a=b=c");
  EXPECT_EQ(ini.Value("Main", "tabbed"), "value with  inner  blanks");
  EXPECT_EQ(ini.Value("НАСТРОЙКИ окна", "ёМКОСТЬ"), "5");
  EXPECT_EQ(ini.Value("Main", "Missing"), std::nullopt);
  EXPECT_EQ(ini.Value("Missing", "Font Size"), std::nullopt);

  // A key that is there but empty is not the same as a missing one.
  EXPECT_TRUE(ini.KeyExists("main", "EMPTY"));
  EXPECT_EQ(ini.ReadString("Main", "Empty", "def"), "");
  EXPECT_EQ(ini.ReadString("Main", "Absent", "def"), "def");

  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Main", "Настройки Окна"}));
  EXPECT_EQ(ini.KeyNames("MAIN"), (std::vector<std::string>{"Font Size", "Formula", "Empty", "Tabbed"}));
  EXPECT_TRUE(ini.KeyNames("Missing").empty());
}

TEST_F(IniFileTest, ReadsEveryKindOfLineEndAndWritesCrLf) {
  const std::string expected = "[S]\r\na=1\r\n\r\nb=2\r\n";
  const std::string variants[] = {
      "[S]\r\na=1\r\n\r\nb=2\r\n", "[S]\na=1\n\nb=2\n", "[S]\ra=1\r\rb=2\r",
      "[S]\r\na=1\n\rb=2",  // mixed, and no line end after the last line
  };
  for (const std::string& text : variants) {
    SCOPED_TRACE(::testing::PrintToString(text));
    const TIniFile ini = TIniFile::FromText(text);
    EXPECT_EQ(ini.ToText(), expected);
    EXPECT_EQ(ini.ReadInteger("s", "b", 0), 2);
  }
  EXPECT_EQ(TIniFile::FromText("").ToText(), "");
  EXPECT_EQ(TIniFile::FromText("\xEF\xBB\xBF[S]\na=1").Value("S", "a"), "1");  // UTF-8 signature
}

TEST_F(IniFileTest, ChangesTouchOnlyTheirOwnLines) {
  TIniFile ini = TIniFile::FromText(
      "; settings written by hand\n"
      "orphan=before any section\n"
      "[Main]\n"
      "  Font Size = 12  \n"
      "Color=clWindow\r\n"
      "; comment inside\n"
      "a line without equals sign\n"
      "[not a header\n"
      "Name=old\n"
      "   \n"
      "[Unknown Section] ; trailing remark\n"
      "Weird  =  spacing   kept  \n"
      "=no key\n"
      "# hash comment\n"
      "[Окно]\n"
      "Ширина=800");

  ini.WriteString("main", "NAME", "new");
  ini.WriteInteger("main", "font size", 12);  // the same value: the line stays as it was
  ini.WriteString("Main", "Added", "x");
  ini.WriteInteger("ОКНО", "высота", 600);
  ini.WriteString("New", "k", "v");

  EXPECT_EQ(ini.ToText(),
            "; settings written by hand\r\n"
            "orphan=before any section\r\n"
            "[Main]\r\n"
            "  Font Size = 12  \r\n"
            "Color=clWindow\r\n"
            "; comment inside\r\n"
            "a line without equals sign\r\n"
            "[not a header\r\n"
            "Name=new\r\n"
            "Added=x\r\n"
            "   \r\n"
            "[Unknown Section] ; trailing remark\r\n"
            "Weird  =  spacing   kept  \r\n"
            "=no key\r\n"
            "# hash comment\r\n"
            "[Окно]\r\n"
            "Ширина=800\r\n"
            "высота=600\r\n"
            "\r\n"
            "[New]\r\n"
            "k=v\r\n");
  EXPECT_EQ(ini.Value("unknown section", "WEIRD"), "spacing   kept");
  EXPECT_FALSE(ini.SectionExists("orphan"));
  EXPECT_FALSE(ini.KeyExists("Main", "a line without equals sign"));
}

TEST_F(IniFileTest, BuildsAFileFromNothingInWriteOrder) {
  TIniFile ini;
  ini.WriteString("A", "x", "1");
  ini.WriteString("B", "y", "2");
  ini.WriteString("a", "z", "3");
  ini.WriteString("A", "X", "4");  // replaces x, keeping its spelling
  EXPECT_EQ(ini.ToText(), "[A]\r\nx=4\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.KeyNames("a"), (std::vector<std::string>{"x", "z"}));
}

TEST_F(IniFileTest, DuplicatesResolveToTheFirstAndEraseRemovesEveryCopy) {
  TIniFile ini = TIniFile::FromText(
      "[Main]\r\nk=first\r\nk=second\r\nother=1\r\n"
      "[Tail]\r\nt=1\r\n"
      "[MAIN]\r\nk=third\r\nonly_here=1\r\n");
  EXPECT_EQ(ini.Value("main", "k"), "first");
  EXPECT_FALSE(ini.KeyExists("Main", "only_here"));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Main", "Tail"}));
  EXPECT_EQ(ini.KeyNames("Main"), (std::vector<std::string>{"k", "other"}));

  ini.WriteString("Main", "k", "changed");
  EXPECT_EQ(ini.ToText(),
            "[Main]\r\nk=changed\r\nk=second\r\nother=1\r\n"
            "[Tail]\r\nt=1\r\n"
            "[MAIN]\r\nk=third\r\nonly_here=1\r\n");

  ini.EraseKey("MAIN", "K");
  EXPECT_FALSE(ini.KeyExists("Main", "k"));
  EXPECT_EQ(ini.Value("Main", "other"), "1");  // the index follows the lines that moved up

  ini.EraseSection("main");
  EXPECT_FALSE(ini.SectionExists("Main"));
  EXPECT_EQ(ini.ToText(), "[Tail]\r\nt=1\r\n");
  // The remaining section is still found and written to after the positions shifted.
  ini.WriteString("Tail", "u", "2");
  EXPECT_EQ(ini.ReadInteger("TAIL", "u", 0), 2);
  EXPECT_EQ(ini.ReadInteger("TAIL", "t", 0), 1);

  ini.EraseKey("Missing", "t");
  ini.EraseSection("Missing");
  EXPECT_EQ(ini.ToText(), "[Tail]\r\nt=1\r\nu=2\r\n");
}

TEST_F(IniFileTest, ReadsIntegersAndBooleans) {
  constexpr int64_t kDef = -12345;
  const struct {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"42", 42},
      {"  -7\t", -7},
      {"+5", 5},
      {"007", 7},
      {"0x1F", 31},
      {"0X1f", 31},
      {"$ff", 255},
      {"-0x10", -16},
      {"-$A", -10},
      {"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<int64_t>::min()},
      {"0x7FFFFFFFFFFFFFFF", std::numeric_limits<int64_t>::max()},
      {"-0x8000000000000000", std::numeric_limits<int64_t>::min()},
      // Out of range or not an integer: the default.
      {"9223372036854775808", kDef},
      {"-9223372036854775809", kDef},
      {"0x8000000000000000", kDef},
      {"0xFFFFFFFFFFFFFFFF", kDef},
      {"99999999999999999999999", kDef},
      {"", kDef},
      {"abc", kDef},
      {"12abc", kDef},
      {"1 2", kDef},
      {"1.5", kDef},
      {"0x", kDef},
      {"$", kDef},
      {"-", kDef},
      {"- 5", kDef},
      {"--1", kDef},
      {"0x-1", kDef},
      {"0xG", kDef},
      {"١٢", kDef},  // digits of another script
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TIniFile ini;
    ini.WriteString("S", "n", c.text);
    EXPECT_EQ(ini.ReadInteger("S", "n", kDef), c.expected);
  }

  const TIniFile ini = TIniFile::FromText("[S]\r\nzero=0\r\none=1\r\ntwo=-2\r\nhex=$0\r\nword=yes\r\n");
  EXPECT_FALSE(ini.ReadBool("S", "zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "one", false));
  EXPECT_TRUE(ini.ReadBool("S", "two", false));
  EXPECT_FALSE(ini.ReadBool("S", "hex", true));
  EXPECT_TRUE(ini.ReadBool("S", "word", true));  // not an integer: the default
  EXPECT_FALSE(ini.ReadBool("S", "word", false));
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
  EXPECT_EQ(ini.ReadInteger("S", "missing", 9), 9);
}

TEST_F(IniFileTest, WrittenNumbersReadBackAfterSaveAndLoad) {
  TIniFile ini;
  ini.WriteInteger("N", "max", std::numeric_limits<int64_t>::max());
  ini.WriteInteger("N", "min", std::numeric_limits<int64_t>::min());
  ini.WriteInteger("N", "zero", 0);
  ini.WriteBool("N", "yes", true);
  ini.WriteBool("N", "no", false);
  const fs::path path = dir_ / "n.ini";
  ini.Save(path);
  EXPECT_EQ(GetBytes(path),
            "[N]\r\nmax=9223372036854775807\r\nmin=-9223372036854775808\r\nzero=0\r\nyes=1\r\nno=0\r\n");
  const TIniFile loaded = TIniFile::Load(path);
  EXPECT_EQ(loaded.ReadInteger("n", "MAX", 0), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(loaded.ReadInteger("n", "MIN", 0), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(loaded.ReadInteger("n", "zero", 7), 0);
  EXPECT_TRUE(loaded.ReadBool("n", "yes", false));
  EXPECT_FALSE(loaded.ReadBool("n", "no", true));
}

TEST_F(IniFileTest, NoNameOrValueCanBreakTheFile) {
  TIniFile ini;
  const struct {
    const char* section;
    const char* key;
    const char* value;
    const char* line;  // as it appears in the file
  } cases[] = {
      {"S", "a=b", "1", "a b=1"},
      {"S", "line\r\nbreak", "2", "line  break=2"},
      {"S", "[Fake]", "3", "_Fake]=3"},
      {"S", ";comment", "4", "_comment=4"},
      {"S", "#hash", "5", "_hash=5"},
      {"S", "v", "first\r\n[Injected]\nk=v\rend", "v=first  [Injected] k=v end"},
      {"S", "padded", "  kept inside  ", "padded=kept inside"},
  };
  for (const auto& c : cases) ini.WriteString(c.section, c.key, c.value);
  ini.WriteString("S", " \r\n ", "ignored");  // nothing is left of the name
  ini.WriteString("S", "=", "ignored");
  ini.WriteString("Two\nLines", "k", "6");

  std::string expected = "[S]\r\n";
  for (const auto& c : cases) expected += std::string(c.line) + "\r\n";
  expected += "\r\n[Two Lines]\r\nk=6\r\n";
  EXPECT_EQ(ini.ToText(), expected);

  // The same names find the same values before and after a trip through the disk.
  const fs::path path = dir_ / "hostile.ini";
  ini.Save(path);
  const TIniFile loaded = TIniFile::Load(path);
  for (const TIniFile* file : std::initializer_list<const TIniFile*>{&ini, &loaded}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.key);
      const std::string stored = std::string(c.line).substr(std::string(c.line).find('=') + 1);
      EXPECT_EQ(file->ReadString(c.section, c.key, "missing"), stored);
    }
    EXPECT_EQ(file->ReadInteger("Two\nLines", "k", 0), 6);
    EXPECT_EQ(file->SectionNames(), (std::vector<std::string>{"S", "Two Lines"}));
  }
}

// --- Files on disk -------------------------------------------------------------------------

TEST_F(IniFileTest, SavesCp1251WithCrLfAndLoadsItBack) {
  TIniFile ini;
  ini.WriteString("Окно", "Заголовок", "Тираж №5 — «Ёлка»");
  const fs::path path = dir_ / "cyr.ini";
  ini.Save(path);
  EXPECT_EQ(GetBytes(path),
            "[\xCE\xEA\xED\xEE]\r\n"
            "\xC7\xE0\xE3\xEE\xEB\xEE\xE2\xEE\xEA="
            "\xD2\xE8\xF0\xE0\xE6 \xB9"
            "5 \x97 \xAB\xA8\xEB\xEA\xE0\xBB\r\n");
  EXPECT_EQ(TIniFile::Load(path).ReadString("ОКНО", "заголовок", ""), "Тираж №5 — «Ёлка»");

  // A file that was saved as UTF-8 with a signature by an editor is still understood.
  PutBytes(path, "\xEF\xBB\xBF[Окно]\nКлюч=Значение\n");
  const TIniFile utf8 = TIniFile::Load(path);
  EXPECT_EQ(utf8.ReadString("окно", "ключ", ""), "Значение");
  utf8.Save(path);
  EXPECT_EQ(GetBytes(path), Utf8ToCp1251("[Окно]\r\nКлюч=Значение\r\n"));
}

TEST_F(IniFileTest, LoadModifySaveKeepsUnknownContentOnDisk) {
  const std::string original = Utf8ToCp1251(
      ";  Настройки программы\n"
      "[Общие]\n"
      "Версия = 3\n"
      "НеизвестныйКлюч=  значение с  пробелами \n"
      "\n"
      "[ФильтрыПользователя]\n"
      "Фильтр1=Сумма>100;Чётные=2\n"
      "мусор без знака равенства\n");
  const fs::path path = dir_ / "settings.ini";
  PutBytes(path, original);

  TIniFile ini = TIniFile::Load(path);
  ini.WriteInteger("общие", "ВЕРСИЯ", 4);
  ini.Save(path);

  EXPECT_EQ(GetBytes(path), Utf8ToCp1251(";  Настройки программы\r\n"
                                         "[Общие]\r\n"
                                         "Версия=4\r\n"
                                         "НеизвестныйКлюч=  значение с  пробелами \r\n"
                                         "\r\n"
                                         "[ФильтрыПользователя]\r\n"
                                         "Фильтр1=Сумма>100;Чётные=2\r\n"
                                         "мусор без знака равенства\r\n"));
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"settings.ini"}));
}

TEST_F(IniFileTest, LoadOfMissingEmptyOrUnreadableFiles) {
  EXPECT_EQ(TIniFile::Load(dir_ / "missing.ini").ToText(), "");
  EXPECT_EQ(TIniFile::Load(dir_ / "no" / "such" / "folder.ini").ToText(), "");

  PutBytes(dir_ / "empty.ini", "");
  const TIniFile empty = TIniFile::Load(dir_ / "empty.ini");
  EXPECT_EQ(empty.ToText(), "");
  EXPECT_TRUE(empty.SectionNames().empty());

  fs::create_directory(dir_ / "folder.ini");
  EXPECT_THROW(TIniFile::Load(dir_ / "folder.ini"), TFileError);
}

// Line ends become CR LF, and the byte 0x98, which has no character, comes back as "?".
std::string ExpectedAfterRewrite(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out += c == '\x98' ? '?' : c;
    }
  }
  if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n') out += "\r\n";
  return out;
}

TEST_F(IniFileTest, BinaryGarbageIsKeptAndEveryNameFoundStaysReachable) {
  // Random bytes, with plenty of the characters that mean something to the parser.
  std::string garbage;
  uint32_t state = 12345;
  const std::string structural("[]=;#\r\n \t\0", 10);
  for (int i = 0; i < 200000; ++i) {
    state = state * 1664525u + 1013904223u;
    const unsigned pick = state >> 24;
    garbage += pick < 90 ? structural[pick % structural.size()] : static_cast<char>((state >> 8) & 0xFF);
  }
  if (garbage.starts_with("\xEF\xBB\xBF")) garbage[0] = 'x';
  ASSERT_NE(garbage.find('\0'), std::string::npos);

  const fs::path path = dir_ / "garbage.ini";
  PutBytes(path, garbage);
  const TIniFile ini = TIniFile::Load(path);
  ini.Save(path);
  EXPECT_EQ(GetBytes(path), ExpectedAfterRewrite(garbage));

  const std::vector<std::string> sections = ini.SectionNames();
  EXPECT_FALSE(sections.empty());
  size_t keys = 0;
  for (const std::string& section : sections) {
    ASSERT_TRUE(ini.SectionExists(section)) << section;
    for (const std::string& key : ini.KeyNames(section)) {
      ASSERT_TRUE(ini.KeyExists(section, key)) << section << " / " << key;
      ++keys;
    }
  }
  EXPECT_GT(keys, 0u);
}

TEST_F(IniFileTest, TenThousandSections) {
  constexpr int kCount = 10000;
  std::string text = "; generated\r\n";
  for (int i = 0; i < kCount; ++i) {
    text += "[Тираж " + std::to_string(i) + "]\r\nНомер=" + std::to_string(i) + "\r\nДата=01.01.2000\r\n";
  }
  TIniFile ini = TIniFile::FromText(text);
  ASSERT_EQ(ini.SectionNames().size(), static_cast<size_t>(kCount));
  for (const int i : {0, 1, kCount / 2, kCount - 1}) {
    EXPECT_EQ(ini.ReadInteger("ТИРАЖ " + std::to_string(i), "номер", -1), i);
  }

  // A write into every section, then an erase in the middle, then a trip through the disk.
  for (int i = 0; i < kCount; ++i) ini.WriteInteger("тираж " + std::to_string(i), "Квадрат", int64_t{i} * i);
  ini.EraseSection("Тираж 5000");
  const fs::path path = dir_ / "big.ini";
  ini.Save(path);
  const TIniFile loaded = TIniFile::Load(path);
  EXPECT_EQ(loaded.SectionNames().size(), static_cast<size_t>(kCount - 1));
  EXPECT_FALSE(loaded.SectionExists("Тираж 5000"));
  EXPECT_EQ(loaded.ReadInteger("Тираж 5001", "Номер", -1), 5001);
  EXPECT_EQ(loaded.ReadInteger("Тираж 9999", "квадрат", -1), int64_t{9999} * 9999);
  EXPECT_EQ(loaded.ToText(), ini.ToText());
}

TEST_F(IniFileTest, LinesOfAMegabyte) {
  const std::string longValue = std::string(1 << 20, 'x') + "Ж";
  const std::string longRaw(1 << 20, ';');
  TIniFile ini = TIniFile::FromText("[S]\r\n" + longRaw + "\r\nk=" + longValue + "\r\n");
  EXPECT_EQ(ini.Value("s", "K"), longValue);

  ini.WriteString("S", std::string(1 << 20, 'n'), longValue);
  const fs::path path = dir_ / "long.ini";
  ini.Save(path);
  const TIniFile loaded = TIniFile::Load(path);
  EXPECT_EQ(loaded.ToText(), ini.ToText());
  EXPECT_EQ(loaded.ReadString("S", std::string(1 << 20, 'N'), ""), longValue);
}

// A failed save (the target is a folder) reports the error and leaves the target as it was.
TEST_F(IniFileTest, SaveOverAFolderFailsAndKeepsIt) {
  const fs::path folder = dir_ / "target";
  fs::create_directory(folder);
  PutBytes(folder / "inside.txt", "kept");
  TIniFile ini;
  ini.WriteString("S", "k", "v");
  EXPECT_THROW(ini.Save(folder), TFileError);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(GetBytes(folder / "inside.txt"), "kept");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"target"}));
}

}  // namespace
}  // namespace kivra

// The self-update through local paths: the version rule and the safety checks of the update
// description, the description text lookup, the installation of a package that is a shell script,
// and failures that must leave the program's folder exactly as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"
#include "online/SelfUpdate.h"

namespace kivra {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::string_view Found = "Обновлений не найдено!";

// The windows the check opened, with the steps each one was advanced, and the offers it made.
class TRecordingUi : public TUpdateUi {
 public:
  struct TWindow {
    std::string Text;
    int Steps = 0;
    int Done = 0;
    bool Closed = false;
  };
  void ProgressOpen(std::string_view text, int steps) override { Windows.push_back({std::string(text), steps}); }
  void ProgressStep() override { ++Windows.back().Done; }
  void ProgressClose() override { Windows.back().Closed = true; }
  bool OfferUpdate(const TUpdateOffer& offer) override {
    Offers.push_back(offer);
    return Install;
  }

  std::vector<TWindow> Windows;
  std::vector<TUpdateOffer> Offers;
  bool Install = true;
};

// Every entry under the folder: its kind, permission bits and content, by relative path.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(e.path(), folder).string();
    const auto status = e.symlink_status();
    const std::string mode = std::to_string(static_cast<int>(status.permissions()));
    if (fs::is_symlink(status)) entries[name] = "link " + fs::read_symlink(e.path()).string();
    else if (fs::is_directory(status)) entries[name] = "dir " + mode;
    else entries[name] = "file " + mode + " " + ReadBytes(e.path());
  }
  return entries;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class SelfUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(program_);
    fs::create_directories(updates_);
    WriteBytes(program_ / "Kivra_5x45", "old program");
    WriteBytes(program_ / "a.txt", "old a");
  }

  TSelfUpdateParams Params(bool quiet) const {
    TSelfUpdateParams p;
    p.Address = (updates_ / "Sorta_AU.cfg").string();
    p.Quiet = quiet;
    p.ProgramDir = program_;
    p.RunningVersion = "2.0.0.15";
    p.RunLimit = std::chrono::milliseconds(3000);  // the "too long" cases wait this long
    return p;
  }
  // The update description: the program's section and, before it, "GlobalOptions".
  void Describe(const std::string& section, const std::string& global = "") const {
    WriteBytes(updates_ / "Sorta_AU.cfg", "[GlobalOptions]\r\n" + global + "[Kivra_5x45]\r\n" + section);
  }
  // A package that is a shell script (without its execute bit), and the keys that offer it as
  // build 16 with its checksum written in small letters.
  std::string Package(const std::string& script) const {
    const fs::path file = updates_ / "setup.upd";
    WriteBytes(file, "#!/bin/sh\n" + script + "\n");
    fs::permissions(file, fs::perms(0644));
    return "VerId=2.0.0.16\r\nDescription=Версия 2.0 (сборка 16)\r\nDownloadUrl=" + file.string() +
           "\r\nOriginalFileName=setup.sh\r\nChecksumCRC32=" + Lower(FileCrc32Text(file)) + "\r\n";
  }
  int Check(bool quiet = false) {
    port_ = TRecordingPort();
    ui_.Windows.clear();
    ui_.Offers.clear();
    const int result = CheckForUpdate(Params(quiet), port_, ui_);
    EXPECT_EQ(port_.BusyCount(), 0);
    EXPECT_FALSE(fs::exists(program_ / "SelfUpdates.inf"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(program_ / "SelfUpdate")));
    for (const auto& w : ui_.Windows) EXPECT_TRUE(w.Closed) << w.Text;
    return result;
  }
  std::vector<std::pair<TMessageKind, std::string>> Messages() const {
    std::vector<std::pair<TMessageKind, std::string>> out;
    for (const auto& m : port_.Messages) out.emplace_back(m.Kind, m.Text);
    return out;
  }

  test::TTempDir dir_;
  fs::path program_ = dir_ / "program";
  fs::path updates_ = dir_ / "updates";
  TRecordingPort port_;
  TRecordingUi ui_;
};

TEST(SelfUpdateRules, VersionsNamesAddressesAndChecksums) {
  struct TOffer {
    std::string running, verId, url, crc;
    bool offered;
  };
  for (const TOffer& c :
       {TOffer{"2.0.0.15", "2.0.0.16", "https://u/p", "1A2B3C4D", true},
        TOffer{"2.0.0.15", "2.1.0.15", "https://u/p", "1A2B3C4D", false},  // only build counts
        TOffer{"2.0.0.15", "1.0.0.99", "https://u/p", "1A2B3C4D", true},
        TOffer{"2.0.0.15", "2.0.0.16", "", "1A2B3C4D", false}, TOffer{"2.0.0.15", "2.0.0.16", "https://u/p", "", false},
        TOffer{"2.0.0.15", "2_0-0, 16 ", "/p", "1", true},  // words cut at , - . _
        TOffer{"2.0.0.15", "2.0.0.x16", "/p", "1", false},  // not a number: 0
        TOffer{"2.0.0", "2.0.0.1", "/p", "1", true},        // missing fourth word: 0
        TOffer{"2.0.0.15", "2.0.0", "/p", "1", false}}) {
    TUpdateInfo info;
    info.VerId = c.verId;
    info.DownloadUrl = c.url;
    info.ChecksumCrc32 = c.crc;
    EXPECT_EQ(UpdateOffered(info, c.running), c.offered) << c.running << " " << c.verId;
  }

  for (const char* name : {"setup.sh", "Kivra_5x45", "a b.dll", "x.y.z"}) EXPECT_TRUE(IsPlainFileName(name)) << name;
  for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "c:x", "x..y", "/bin/sh", "a\tb"})
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  for (const char* v : {"2.0.0.16", "1,2-3_4", "Beta.7"}) EXPECT_TRUE(IsValidVerId(v)) << v;
  for (const char* v : {"", "2.0.0.16;x", "2/0", "2 0", "в1"}) EXPECT_FALSE(IsValidVerId(v)) << v;

  test::TTempDir dir;
  WriteBytes(dir / "own.inf", "x");
  struct TAddress {
    std::string configured, description, texts;
  };
  for (const TAddress& a :
       {TAddress{"https://upd.example", "https://upd.example/files/autoupdates/Sorta_AU.cfg",
                 "https://upd.example/files/autoupdates/UpdDescr/"},
        TAddress{"https://upd.example/", "https://upd.example/files/autoupdates/Sorta_AU.cfg", ""},
        TAddress{"https://upd.example/files/", "https://upd.example/files/autoupdates/Sorta_AU.cfg", ""},
        TAddress{"https://upd.example/pub/list.cfg", "https://upd.example/pub/list.cfg",
                 "https://upd.example/pub/UpdDescr/"},
        TAddress{(dir / "own.inf").string(), (dir / "own.inf").string(), (dir / "UpdDescr").string() + "/"},
        TAddress{dir.Path().string(), (dir / "autoupdates" / "Sorta_AU.cfg").string(),
                 (dir / "autoupdates" / "UpdDescr").string() + "/"},
        TAddress{"", "", ""}}) {
    EXPECT_EQ(UpdateDescriptionAddress(a.configured), a.description) << a.configured;
    if (!a.texts.empty()) {
      EXPECT_EQ(UpdateTextFolder(a.description), a.texts);
    }
  }
  EXPECT_EQ(
      UpdateTextNames("2.0.0.16", 1049),
      (std::vector<std::string>{"UpdDescr_RUS_2.0.0.16.txt", "UpdDescr_1049_2.0.0.16.txt", "UpdDescr_2.0.0.16.txt"}));
  EXPECT_EQ(UpdateTextNames("7", 0), std::vector<std::string>{"UpdDescr_7.txt"});

  // The zip checksum's check value, and SHA-256 of the same text.
  WriteBytes(dir / "digits", "123456789");
  EXPECT_EQ(FileCrc32Text(dir / "digits"), "CBF43926");
  EXPECT_EQ(FileSha256Text(dir / "digits"), "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225");
}

TEST_F(SelfUpdateTest, SearchOutcomesAndUnsafeDescriptions) {
  struct TCase {
    const char* name;
    std::string section;  // empty: no description file at all
    bool quiet;
    int result;
    std::vector<std::pair<TMessageKind, std::string>> messages;
  };
  const std::string offered = Package("exit 0");
  const std::string url = (updates_ / "setup.upd").string();
  const std::string missing = "Ошибка поиска обновлений!\r\rНе удается найти указанный файл.";
  auto refused = [](const std::string& text) {
    return std::vector<std::pair<TMessageKind, std::string>>{
        {TMessageKind::Error, "Ошибка поиска обновлений!\r\r" + text}};
  };
  const std::vector<std::pair<TMessageKind, std::string>> notFound = {{TMessageKind::Info, std::string(Found)}};
  const TCase cases[] = {
      {"no VerId", "Description=x\r\nDownloadUrl=" + url + "\r\nChecksumCRC32=1\r\n", false, 0, notFound},
      {"no VerId, quiet", "Description=x\r\nDownloadUrl=" + url + "\r\nChecksumCRC32=1\r\n", true, 0, {}},
      {"newer minor, same build", "VerId=2.1.0.15\r\nDownloadUrl=" + url + "\r\nChecksumCRC32=1\r\n", false, 0,
       notFound},
      {"no package address", "VerId=2.0.0.16\r\nDownloadUrl=\r\nChecksumCRC32=1\r\n", false, 0, notFound},
      {"no checksum", "VerId=2.0.0.16\r\nDownloadUrl=" + url + "\r\nChecksumCRC32=\r\n", false, 0, notFound},
      {"no description file", "", false, 2, {{TMessageKind::Error, missing}}},
      {"no description file, quiet", "", true, 2, {}},
      {"package name with a folder", "OriginalFileName=../setup.sh\r\n" + offered, false, 2,
       refused("Недопустимое имя файла \"../setup.sh\" в описании обновления.")},
      {"package name with a drive", "OriginalFileName=c:setup\r\n" + offered, false, 2,
       refused("Недопустимое имя файла \"c:setup\" в описании обновления.")},
      {"deletion outside the folder", offered + "DeleteBefore=ok.dll; ..\\Kivra_5x45\r\n", false, 2,
       refused("Недопустимое имя файла \"..\\Kivra_5x45\" в описании обновления.")},
      {"absolute program to run, quiet", offered + "ExecAfter=/bin/sh\r\n", true, 2, {}},
      {"version with a separator", "VerId=2.0.0.16;x\r\n", false, 2,
       refused("Недопустимый номер версии \"2.0.0.16;x\" в описании обновления.")},
      {"package over http", "VerId=2.0.0.16\r\nChecksumCRC32=1\r\nDownloadUrl=http://127.0.0.1:9/setup.upd\r\n", false,
       2,
       refused("Адрес \"http://127.0.0.1:9/setup.upd\" не поддерживается: обновления принимаются только по https:// "
               "или из локальной папки.")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(updates_ / "Sorta_AU.cfg");
    if (!c.section.empty()) Describe(c.section);
    EXPECT_EQ(Check(c.quiet), c.result);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_TRUE(ui_.Offers.empty());
    ASSERT_EQ(ui_.Windows.size(), 1u);
    EXPECT_EQ(ui_.Windows[0].Text, "Поиск доступных обновлений...");
    EXPECT_EQ(ui_.Windows[0].Steps, 5);
    EXPECT_EQ(ui_.Windows[0].Done, c.result == 0 ? 5 : ui_.Windows[0].Done);
  }

  // The description itself over http is refused before anything is fetched.
  TSelfUpdateParams p = Params(false);
  p.Address = "http://127.0.0.1:9/files/autoupdates/Sorta_AU.cfg";
  port_ = TRecordingPort();
  EXPECT_EQ(CheckForUpdate(p, port_, ui_), 2);
  ASSERT_EQ(port_.Messages.size(), 1u);
  EXPECT_NE(port_.Messages[0].Text.find("не поддерживается"), std::string::npos);
}

TEST_F(SelfUpdateTest, UnwritableProgramFolderFailsQuietly) {
  // Nobody, root included, can make files at the top of /proc.
  TSelfUpdateParams p = Params(true);
  p.ProgramDir = "/proc";
  Describe(Package("exit 0"));
  EXPECT_EQ(CheckForUpdate(p, port_, ui_), 2);
  EXPECT_TRUE(port_.Messages.empty());
  p.Quiet = false;
  EXPECT_EQ(CheckForUpdate(p, port_, ui_), 2);
  ASSERT_EQ(port_.Messages.size(), 1u);
  EXPECT_EQ(
      port_.Messages[0].Text.rfind("Ошибка поиска обновлений!\r\rПапка программы \"/proc\" недоступна для записи.", 0),
      0u);
  EXPECT_TRUE(ui_.Offers.empty());
}

TEST_F(SelfUpdateTest, DescriptionTextLookupOrder) {
  struct TCase {
    std::vector<std::string> present;
    int language;
    std::string shown;  // the first line of the text shown
  };
  const std::string rus = "UpdDescr_RUS_2.0.0.16.txt", lcid = "UpdDescr_1049_2.0.0.16.txt",
                    plain = "UpdDescr_2.0.0.16.txt";
  const std::string none = "< Описание обновления не доступно >";
  for (const TCase& c : {TCase{{rus, lcid, plain}, 1049, rus}, TCase{{lcid, plain}, 1049, lcid},
                         TCase{{plain}, 1049, plain}, TCase{{rus, lcid, plain}, 0, plain}, TCase{{plain}, 9999, plain},
                         TCase{{rus, lcid}, 0, none}, TCase{{}, 1049, none}}) {
    SCOPED_TRACE(c.shown + " " + std::to_string(c.language));
    fs::remove_all(updates_ / "UpdDescr");
    fs::create_directories(updates_ / "UpdDescr");
    // The texts are cp1251 with CR LF, as the update service keeps them.
    for (const std::string& name : c.present)
      WriteBytes(updates_ / "UpdDescr" / name, Utf8ToCp1251(name + "\r\nИсправлены ошибки\r\n"));
    Describe(Package("exit 0"));
    ui_.Install = false;
    TSelfUpdateParams p = Params(false);
    p.LanguageId = c.language;
    port_ = TRecordingPort();
    ui_.Offers.clear();
    EXPECT_EQ(CheckForUpdate(p, port_, ui_), 0);  // declined
    EXPECT_TRUE(port_.Messages.empty());
    ASSERT_EQ(ui_.Offers.size(), 1u);
    const TUpdateOffer& offer = ui_.Offers[0];
    EXPECT_EQ(offer.RunningVersion, "2.0.0.15");
    EXPECT_EQ(offer.VerId, "2.0.0.16");
    EXPECT_EQ(offer.Description, "Версия 2.0 (сборка 16)");
    const std::vector<std::string> shown =
        c.shown == none ? std::vector<std::string>{none} : std::vector<std::string>{c.shown, "Исправлены ошибки"};
    EXPECT_EQ(offer.Text, shown);
    EXPECT_TRUE(FindFilesByMask(program_, "UpdDescr_*").empty());
  }
}

TEST_F(SelfUpdateTest, InstallsAShellScriptPackage) {
  // The package writes one file: a new program over the running one's name.
  WriteBytes(program_ / "old.dll", "old library");
  WriteBytes(program_ / "stale.txt", "stale");
  WriteBytes(program_ / "keep.txt", "kept");
  // A work folder that is a symbolic link goes as a link; what it points to stays.
  fs::create_directories(dir_ / "elsewhere");
  WriteBytes(dir_ / "elsewhere" / "precious.txt", "precious");
  fs::create_directory_symlink(dir_ / "elsewhere", program_ / "SelfUpdate");
  Describe(
      Package("printf 'новая программа' > Kivra_5x45\nchmod 755 Kivra_5x45") + "DeleteBefore=old.dll;missing.dll\r\n",
      "DeleteAfter=stale.txt\r\n");

  EXPECT_EQ(Check(true), 1);  // the offer and the outcome are shown also when quiet
  EXPECT_EQ(Messages(), (std::vector<std::pair<TMessageKind, std::string>>{
                            {TMessageKind::Warning,
                             "Установка обновления \"Версия 2.0 (сборка 16)\" успешно выполнена.\r\rДля завершения "
                             "установки необходимо перезапустить программу!"}}));
  ASSERT_EQ(ui_.Windows.size(), 2u);
  EXPECT_EQ(ui_.Windows[1].Text, "Загрузка и установка обновления \"2.0.0.16\"...");
  EXPECT_EQ(ui_.Windows[1].Steps, 14);
  EXPECT_EQ(ui_.Windows[1].Done, 14);
  EXPECT_EQ(ui_.Windows[0].Done, 5);

  EXPECT_EQ(ReadBytes(program_ / "Kivra_5x45"), "новая программа");
  EXPECT_EQ(fs::status(program_ / "Kivra_5x45").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  EXPECT_EQ(ReadBytes(program_ / "keep.txt"), "kept");
  EXPECT_EQ(ReadBytes(program_ / "a.txt"), "old a");
  EXPECT_FALSE(fs::exists(program_ / "old.dll"));
  EXPECT_FALSE(fs::exists(program_ / "stale.txt"));
  EXPECT_TRUE(FindFilesByMask(program_, "*.~*").empty());
  EXPECT_EQ(ReadBytes(dir_ / "elsewhere" / "precious.txt"), "precious");
}

TEST_F(SelfUpdateTest, FailedInstallationsLeaveTheProgramFolderAsItWas) {
  WriteBytes(program_ / "old.dll", "old library");
  fs::create_directories(program_ / "z");
  WriteBytes(program_ / "z" / "inner", "inner");
  fs::permissions(program_ / "Kivra_5x45", fs::perms(0755));
  struct TCase {
    const char* name;
    std::string script;
    std::string keys;   // appended to the package's keys; they replace earlier ones of the name
    std::string error;  // after "Ошибка установки обновления!\r\r"
  };
  const std::string work = (program_ / "SelfUpdate").string();
  const TCase cases[] = {
      {"wrong CRC-32", "printf new > a.txt", "ChecksumCRC32=0badc0de\r\n",
       "Неверная контрольная сумма скачанного файла."},
      {"wrong SHA-256", "printf new > a.txt", "ChecksumSHA256=" + std::string(64, '0') + "\r\n",
       "Неверная контрольная сумма скачанного файла."},
      {"missing package", "exit 0", "DownloadUrl=" + (updates_ / "gone.upd").string() + "\r\n",
       "Не удается найти указанный файл."},
      {"exit code", "printf new > a.txt\nexit 3", "", "Программа \"setup.sh\" завершилась с кодом 3."},
      {"runs too long", "printf new > a.txt\nsleep 20", "",
       "Ожидание завершения процесса (файла) \"setup.sh\" прервано в связи с превышением времени ожидания!"},
      {"leaves nothing", "exit 0", "", "Файл \"" + work + "/*.*\" не найден!"},
      // "a.txt" is replaced first; "z" cannot replace a folder, so everything goes back.
      {"copy fails", "printf new > a.txt\nprintf new > Kivra_5x45\nprintf z > z", "DeleteBefore=old.dll\r\n",
       "Указанный путь является папкой."},
      {"program after the copy runs too long", "printf new > a.txt\nprintf '#!/bin/sh\\nsleep 20\\n' > after.sh",
       "DeleteBefore=old.dll\r\nExecAfter=after.sh\r\n",
       "Ожидание завершения процесса (файла) \"after.sh\" прервано в связи с превышением времени ожидания!"},
  };
  const auto before = Snapshot(program_);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A later key of the same name would be ignored: the replaced ones go first.
    Describe(c.keys + Package(c.script));
    EXPECT_EQ(Check(true), 2);
    EXPECT_EQ(Messages(), (std::vector<std::pair<TMessageKind, std::string>>{
                              {TMessageKind::Error, "Ошибка установки обновления!\r\r" + c.error}}));
    EXPECT_EQ(Snapshot(program_), before);
  }
}

}  // namespace
}  // namespace kivra

// Whole-file reads and atomic whole-file writes.
#include "core/FileUtils.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "TempDir.h"

namespace kivra {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test.
class FileUtilsTest : public ::testing::Test {
 protected:
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TTempDir temp_;
  const fs::path& dir_ = temp_.Path();
};

TEST_F(FileUtilsTest, AtomicWriteCreatesAndReplacesWithoutLeavingTemporaryFiles) {
  const fs::path path = dir_ / "data.bin";
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));

  WriteFileAtomic(path, all);
  EXPECT_EQ(ReadWholeFile(path), all);

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  WriteFileAtomic(path, "short");
  EXPECT_EQ(ReadWholeFile(path), "short");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);  // permissions of the replaced file are kept

  WriteFileAtomic(path, "");
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"data.bin"}));
}

TEST_F(FileUtilsTest, ReadOfAMissingFileOrAFolderReportsTheSystemText) {
  try {
    ReadWholeFile(dir_ / "missing.bin");
    FAIL() << "no exception";
  } catch (const TFileError& e) {
    EXPECT_STREQ(e.what(), SystemErrorText(ENOENT).c_str());
    EXPECT_STREQ(e.what(), "Не удается найти указанный файл.");
  }
  try {
    ReadWholeFile(dir_);
    FAIL() << "no exception";
  } catch (const TFileError& e) {
    EXPECT_STREQ(e.what(), SystemErrorText(EISDIR).c_str());
  }
}

TEST_F(FileUtilsTest, FailedAtomicWritesLeaveTheTargetAsItWas) {
  // The target is a folder: the rename fails after the data was written to the temporary file.
  const fs::path folder = dir_ / "target";
  fs::create_directory(folder);
  test::WriteBytes(folder / "inside.txt", "kept");
  try {
    WriteFileAtomic(folder, "data");
    FAIL() << "no exception";
  } catch (const TFileError& e) {
    EXPECT_STREQ(e.what(), SystemErrorText(EISDIR).c_str());
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(test::ReadBytes(folder / "inside.txt"), "kept");

  // The folder of the target does not exist.
  try {
    WriteFileAtomic(dir_ / "absent" / "file.ini", "data");
    FAIL() << "no exception";
  } catch (const TFileError& e) {
    EXPECT_STREQ(e.what(), SystemErrorText(ENOENT).c_str());
  }
  EXPECT_THROW(WriteFileAtomic("", "data"), TFileError);

  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"target"}));
}

// Lowers the file size limit of this process for its lifetime, so that writes beyond it fail
// with EFBIG the way they would on a full disk.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    applied_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
  }
  bool Applied() const { return applied_; }

 private:
  rlimit saved_{};
  void (*savedHandler_)(int) = nullptr;
  bool applied_ = false;
};

TEST_F(FileUtilsTest, WriteFailingHalfwayKeepsTheOldFileAndRemovesTheTemporaryOne) {
  const fs::path path = dir_ / "draws.dat";
  test::WriteBytes(path, "old content");
  const std::string big(4 << 20, 'z');

  std::string error;
  bool applied;
  {
    TFileSizeLimit limit(1 << 20);
    applied = limit.Applied();
    try {
      WriteFileAtomic(path, big);
    } catch (const TFileError& e) {
      error = e.what();
    }
  }
  ASSERT_TRUE(applied);
  EXPECT_EQ(error, SystemErrorText(EFBIG));
  EXPECT_EQ(test::ReadBytes(path), "old content");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"draws.dat"}));

  // With the limit gone the same write goes through.
  WriteFileAtomic(path, big);
  EXPECT_EQ(ReadWholeFile(path), big);
}

}  // namespace
}  // namespace kivra

namespace kivra {
namespace {

TEST(FileMasks, MatchBaseNamesIgnoringAsciiCase) {
  struct TCase {
    const char* name;
    const char* mask;
    bool match;
  };
  const TCase cases[] = {
      {"Kivra_5x45-0.log", "Kivra_5x45-*.log", true},  {"KIVRA_5X45-12.LOG", "Kivra_5x45-*.log", true},
      {"Kivra_5x45-.log", "Kivra_5x45-*.log", true},   {"Kivra_5x45-1.log.bak", "Kivra_5x45-*.log", false},
      {"x.~tmp", "*.~*", true},                        {"noext", "*.*", true},
      {"a.b.c", "*.c", true},                          {"abc", "a?c", true},
      {"ac", "a?c", false},                            {"ScriptLog_1.txt", "ScriptLog_*.txt", true},
  };
  for (const TCase& c : cases) EXPECT_EQ(MatchFileMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

// The failures of the standard library's file calls reach the user in Russian; the program's own
// failures keep their text.
TEST(FileUtils, ErrorTextsAreRussian) {
  test::TTempDir dir;
  try {
    std::filesystem::rename(dir / "missing", dir / "other");
    ADD_FAILURE();
  } catch (const std::exception& e) {
    EXPECT_EQ(ErrorText(e), SystemErrorText(ENOENT) + " (" + (dir / "missing").string() + ")");
  }
  EXPECT_EQ(ErrorText(std::system_error(EISDIR, std::generic_category())), "Указанный путь является папкой.");
  EXPECT_EQ(ErrorText(std::runtime_error("Своя ошибка")), "Своя ошибка");
  EXPECT_EQ(ErrorText(std::bad_alloc()), "Недостаточно памяти.");
  EXPECT_EQ(SystemErrorText(EHOSTDOWN), "Системная ошибка " + std::to_string(EHOSTDOWN) + ".");
  for (int code : {ENOENT, EACCES, ENOSPC, EISDIR, EEXIST, EBUSY, EROFS, EXDEV})
    EXPECT_GE(static_cast<unsigned char>(SystemErrorText(code)[0]), 0xD0) << code;  // Cyrillic in UTF-8
}

}  // namespace
}  // namespace kivra

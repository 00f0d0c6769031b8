#include "online/SelfUpdate.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/Languages.h"
#include "core/SortaUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "online/Catalog.h"
#include "online/Http.h"

namespace kivra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view DescriptionFileName = "SelfUpdates.inf";
constexpr std::string_view WorkFolderName = "SelfUpdate";
// Inside the work folder: the files the installation moved aside, until it has succeeded.
constexpr std::string_view BackupFolderName = ".~backup";
// Suffix of a new file copied into the program's folder before it is renamed over its target.
constexpr std::string_view StagedSuffix = ".~upd";
constexpr std::string_view NoTextLine = "< Описание обновления не доступно >";
constexpr std::string_view NotFound = "Файл \"%s\" не найден!";
constexpr std::string_view BadChecksum = "Неверная контрольная сумма скачанного файла.";
constexpr int DownloadAttempts = 3;
constexpr std::chrono::milliseconds PollInterval{100};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsUrl(std::string_view address) { return address.find("://") != std::string_view::npos; }

std::string RefusedSource(const std::string& source) {
  return SysFormat("Адрес \"%s\" не поддерживается: обновления принимаются только по https:// или из локальной папки.",
                   {source});
}

[[noreturn]] void ThrowSystem(int error) { throw TFileError(SystemErrorText(error)); }
[[noreturn]] void ThrowNotFound(const fs::path& file) {
  throw std::runtime_error(SysFormat(NotFound, {file.string()}));
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    if (c >= 0x80) {
      if (c >= 0xC2 && c <= 0xDF) n = 1;
      else if ((c & 0xF0) == 0xE0) n = 2;
      else if (c >= 0xF0 && c <= 0xF4) n = 3;
      else return false;
    }
    if (s.size() - i - 1 < n) return false;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

// A text file of the update service: UTF-8 (with or without its mark) or, failing that, cp1251.
std::string DecodeText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp1251ToUtf8(bytes);
}

// A list of file names separated by ";", each trimmed; empty pieces are skipped.
void AppendList(std::vector<std::string>& list, std::string_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(';', start), text.size());
    const std::string_view name = Trim(text.substr(start, end - start));
    if (!name.empty()) {
      if (!IsPlainFileName(name))
        throw std::runtime_error(SysFormat("Недопустимое имя файла \"%s\" в описании обновления.", {name}));
      list.emplace_back(name);
    }
    start = end + 1;
  }
}

// Removes a folder with its content, or only the link when it is a symbolic link.
void RemoveFolder(const fs::path& folder) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(folder, ec);
  if (ec || !fs::exists(status)) return;
  if (fs::is_symlink(status) || !fs::is_directory(status)) fs::remove(folder, ec);
  else fs::remove_all(folder, ec);
  if (ec) ThrowSystem(ec.value());
}

// True when a file (or a link) of that name is there; folders do not count.
bool FileThere(const fs::path& file) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(file, ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

void AddExecuteBit(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) ThrowSystem(errno);
  mode_t mode = info.st_mode | S_IXUSR;
  if (mode & S_IRGRP) mode |= S_IXGRP;
  if (mode & S_IROTH) mode |= S_IXOTH;
  if (::chmod(file.c_str(), mode & 07777) != 0) ThrowSystem(errno);
}

// The program's folder must take new files: a probe file is made and removed.
void CheckWritable(const fs::path& folder) {
  const fs::path probe = folder / (".~probe" + std::to_string(::getpid()));
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0)
    throw std::runtime_error(
        SysFormat("Папка программы \"%s\" недоступна для записи.\r%s", {folder.string(), SystemErrorText(errno)}));
  ::close(fd);
  ::unlink(probe.c_str());
}

// Leftovers of earlier runs: "*.~*" files of the program's folder; failures are ignored.
void DeleteLeftovers(const fs::path& folder) {
  try {
    for (const fs::path& file : FindFilesByMask(folder, "*.~*")) {
      std::error_code ec;
      fs::remove(file, ec);
    }
  } catch (const std::exception&) {
  }
}

// Opens the progress window and marks the port busy for one scope.
class TProgressScope {
 public:
  TProgressScope(TUserPort& port, TUpdateUi& ui, std::string_view text, int steps) : port_(port), ui_(ui) {
    port_.BeginBusy();
    ui_.ProgressOpen(text, steps);
  }
  ~TProgressScope() { Close(); }
  void Close() {
    if (closed_) return;
    closed_ = true;
    ui_.ProgressClose();
    port_.EndBusy();
  }

 private:
  TUserPort& port_;
  TUpdateUi& ui_;
  bool closed_ = false;
};

// What the installation changed in the program's folder, so that a failure can undo it: files
// moved aside into the backup folder, new files put in place, staged copies not yet placed.
class TInstallJournal {
 public:
  explicit TInstallJournal(fs::path backupFolder) : backup_(std::move(backupFolder)) {}

  void MoveAside(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(backup_, ec);
    if (ec) ThrowSystem(ec.value());
    const fs::path copy = backup_ / std::to_string(moved_.size());
    fs::rename(file, copy, ec);
    if (ec) ThrowSystem(ec.value());
    moved_.emplace_back(file, copy);
  }
  void Staged(const fs::path& file) { staged_.push_back(file); }
  void Placed(const fs::path& staged, const fs::path& target) {
    staged_.erase(std::remove(staged_.begin(), staged_.end(), staged), staged_.end());
    placed_.push_back(target);
  }
  // Removes the staged and the placed files and puts back what was moved aside, newest first.
  void Rollback() {
    std::error_code ec;
    for (const fs::path& file : staged_) fs::remove(file, ec);
    for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) fs::remove(*it, ec);
    for (auto it = moved_.rbegin(); it != moved_.rend(); ++it) fs::rename(it->second, it->first, ec);
    staged_.clear();
    placed_.clear();
    moved_.clear();
  }

 private:
  fs::path backup_;
  std::vector<std::pair<fs::path, fs::path>> moved_;
  std::vector<fs::path> placed_;
  std::vector<fs::path> staged_;
};

class TUpdater {
 public:
  TUpdater(const TSelfUpdateParams& params, TUserPort& port, TUpdateUi& ui)
      : p_(params), port_(port), ui_(ui), work_(params.ProgramDir / WorkFolderName) {}

  int Run() {
    const fs::path description = p_.ProgramDir / DescriptionFileName;
    int result = 2;
    try {
      result = Check(description);
    } catch (const std::exception& e) {
      port_.ShowError(SysFormat("Ошибка системы самообновления программы!\r\r%s", {std::string(ErrorText(e))}));
      result = 2;
    }
    std::error_code ec;
    fs::remove(description, ec);
    return result;
  }

 private:
  int Check(const fs::path& description) {
    TUpdateOffer offer;
    bool offered = false, failed = false;
    std::string error;
    {
      TProgressScope progress(port_, ui_, "Поиск доступных обновлений...", 5);
      try {
        CheckWritable(p_.ProgramDir);
        DeleteLeftovers(p_.ProgramDir);
        ui_.ProgressStep();
        offer.RunningVersion = p_.RunningVersion;
        ui_.ProgressStep();
        Fetch(p_.Address, description, UpdateTextCap);
        ui_.ProgressStep();
        info_ = ReadUpdateInfo(ReadWholeFile(description), p_.ProgramSection, p_.RunningVersion);
        ui_.ProgressStep();
        offered = UpdateOffered(info_, p_.RunningVersion);
        if (offered) {
          if (IsUrl(info_.DownloadUrl) && !StartsWithNoCase(info_.DownloadUrl, "https://"))
            throw std::runtime_error(RefusedSource(info_.DownloadUrl));
          if (info_.OriginalFileName.empty())
            throw std::runtime_error("В описании обновления не задано имя файла пакета (OriginalFileName).");
          offer.VerId = info_.VerId;
          offer.Description = info_.Description;
          offer.Text = DescriptionText();
        }
        ui_.ProgressStep();
      } catch (const std::exception& e) {
        failed = true;
        error = ErrorText(e);
      }
    }
    if (failed) {
      if (!p_.Quiet) port_.ShowError(SysFormat("Ошибка поиска обновлений!\r\r%s", {error}));
      return 2;
    }
    if (!offered) {
      if (!p_.Quiet) port_.ShowInfo("Обновлений не найдено!");
      return 0;
    }
    if (!ui_.OfferUpdate(offer)) return 0;
    return Install();
  }

  void Fetch(const std::string& source, const fs::path& target, uint64_t cap) {
    FetchUpdateFile(source, target, p_.CaFile, cap, [this] { ui_.Pump(); });
  }

  // The first description text that can be fetched, line by line; the placeholder line when none.
  std::vector<std::string> DescriptionText() {
    const fs::path local = p_.ProgramDir / ("UpdDescr_" + info_.VerId + ".txt");
    std::error_code ec;
    fs::remove(local, ec);
    const std::string folder = UpdateTextFolder(p_.Address);
    for (const std::string& name : UpdateTextNames(info_.VerId, p_.LanguageId)) {
      try {
        Fetch(folder + name, local, UpdateTextCap);
        break;
      } catch (const std::exception&) {
        fs::remove(local, ec);
      }
    }
    if (!fs::exists(local, ec)) return {std::string(NoTextLine)};
    struct TRemove {
      const fs::path& File;
      ~TRemove() {
        std::error_code ignored;
        fs::remove(File, ignored);
      }
    } remove{local};
    return SplitScriptText(DecodeText(ReadWholeFile(local)));
  }

  int Install() {
    bool failed = false;
    std::string error;
    {
      TProgressScope progress(port_, ui_, SysFormat("Загрузка и установка обновления \"%s\"...", {info_.VerId}), 14);
      TInstallJournal journal(work_ / BackupFolderName);
      try {
        InstallSteps(journal);
      } catch (const std::exception& e) {
        failed = true;
        error = ErrorText(e);
        journal.Rollback();
      }
      try {
        RemoveFolder(work_);
      } catch (const std::exception& e) {
        if (!failed) error = ErrorText(e);
        failed = true;
      }
      ui_.ProgressStep();
    }
    if (failed) {
      port_.ShowError(SysFormat("Ошибка установки обновления!\r\r%s", {error}));
      return 2;
    }
    port_.ShowWarning(
        SysFormat("Установка обновления \"%s\" успешно выполнена.\r\rДля завершения установки "
                  "необходимо перезапустить программу!",
                  {info_.Description}));
    return 1;
  }

  void InstallSteps(TInstallJournal& journal) {
    RemoveFolder(work_);
    ui_.ProgressStep();
    std::error_code ec;
    fs::create_directories(work_, ec);
    if (ec) ThrowSystem(ec.value());
    ui_.ProgressStep();

    const fs::path package = work_ / ("SelfUpdate_" + info_.VerId + ".upd");
    Download(package);
    ui_.ProgressStep();

    const fs::path program = work_ / info_.OriginalFileName;
    fs::rename(package, program, ec);
    if (ec) ThrowSystem(ec.value());
    ui_.ProgressStep();
    if (!FileThere(program)) ThrowNotFound(program);
    AddExecuteBit(program);
    ui_.ProgressStep();

    const int code = RunAndWait(work_, info_.OriginalFileName, p_.RunLimit, [this] { ui_.Pump(); });
    if (code != 0) throw std::runtime_error(ExitCodeText(info_.OriginalFileName, code));
    ui_.ProgressStep();

    for (int attempt = 0;; ++attempt) {
      fs::remove(program, ec);
      if (!ec) break;
      if (attempt >= 100) ThrowSystem(ec.value());
      std::this_thread::sleep_for(PollInterval);
    }
    ui_.ProgressStep();

    if (fs::directory_iterator(work_, ec) == fs::directory_iterator()) ThrowNotFound(work_ / "*.*");
    ui_.ProgressStep();

    DeleteListed(info_.DeleteBefore, journal);
    ui_.ProgressStep();
    RunListed(info_.ExecBefore);
    ui_.ProgressStep();
    CopyWorkFiles(journal);
    ui_.ProgressStep();
    RunListed(info_.ExecAfter);
    ui_.ProgressStep();
    DeleteListed(info_.DeleteAfter, journal);
    ui_.ProgressStep();
  }

  // Up to three attempts; the last attempt's error ends the installation.
  void Download(const fs::path& package) {
    std::string lastError;
    for (int attempt = 0; attempt < DownloadAttempts; ++attempt) {
      try {
        std::error_code ec;
        fs::remove(package, ec);
        Fetch(info_.DownloadUrl, package, UpdatePackageCap);
        if (!FileThere(package)) ThrowNotFound(package);
        if (!EqualNoCase(FileCrc32Text(package), Trim(info_.ChecksumCrc32)))
          throw std::runtime_error(std::string(BadChecksum));
        if (!info_.ChecksumSha256.empty() && !EqualNoCase(FileSha256Text(package), Trim(info_.ChecksumSha256)))
          throw std::runtime_error(std::string(BadChecksum));
        return;
      } catch (const std::exception& e) {
        lastError = ErrorText(e);
      }
    }
    throw std::runtime_error(lastError);
  }

  static std::string ExitCodeText(const std::string& file, int code) {
    return SysFormat("Программа \"%s\" завершилась с кодом %d.", {file, code});
  }

  // The listed files that exist in the program's folder go into the backup folder.
  void DeleteListed(const std::vector<std::string>& names, TInstallJournal& journal) {
    for (const std::string& name : names) {
      const fs::path file = p_.ProgramDir / name;
      if (FileThere(file)) journal.MoveAside(file);
    }
  }

  // The listed programs that exist in the work folder run there, one after another.
  void RunListed(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const fs::path file = work_ / name;
      if (!FileThere(file)) continue;
      AddExecuteBit(file);
      RunAndWait(work_, name, p_.RunLimit, [this] { ui_.Pump(); });
    }
  }

  // Every regular file at the top of the work folder is copied beside its target under a
  // temporary name; then each target is moved aside and the copy renamed into its place. The
  // running program's file is thus replaced, never written into.
  void CopyWorkFiles(TInstallJournal& journal) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(work_, ec))
      if (entry.is_regular_file(ec) && !entry.is_symlink(ec)) names.push_back(entry.path().filename().string());
    if (ec) ThrowSystem(ec.value());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const fs::path staged = p_.ProgramDir / (name + std::string(StagedSuffix));
      journal.Staged(staged);
      fs::copy_file(work_ / name, staged, fs::copy_options::overwrite_existing, ec);
      if (ec) ThrowSystem(ec.value());
    }
    for (const std::string& name : names) {
      const fs::path staged = p_.ProgramDir / (name + std::string(StagedSuffix));
      const fs::path target = p_.ProgramDir / name;
      const fs::file_status status = fs::symlink_status(target, ec);
      if (fs::is_directory(status)) ThrowSystem(EISDIR);
      if (fs::exists(status)) journal.MoveAside(target);
      fs::rename(staged, target, ec);
      if (ec) ThrowSystem(ec.value());
      journal.Placed(staged, target);
    }
  }

  const TSelfUpdateParams& p_;
  TUserPort& port_;
  TUpdateUi& ui_;
  fs::path work_;
  TUpdateInfo info_;
};

}  // namespace

int CheckForUpdate(const TSelfUpdateParams& params, TUserPort& port, TUpdateUi& ui) {
  return TUpdater(params, port, ui).Run();
}

std::string UpdateDescriptionAddress(const std::string& updateUrl) {
  std::string address(Trim(updateUrl));
  if (address.empty()) return address;
  const std::string tail = std::string(UpdateDescriptionPath).substr(std::string_view("/files").size());
  if (IsUrl(address)) {
    const size_t scheme = address.find("://");
    const size_t path = address.find('/', scheme + 3);
    std::string trimmed = address;
    while (!trimmed.empty() && trimmed.back() == '/') trimmed.pop_back();
    if (path == std::string::npos || path + 1 == address.size()) return trimmed + std::string(UpdateDescriptionPath);
    const std::string last = address.substr(address.find_last_of('/') + 1);
    return last.find('.') != std::string::npos ? address : trimmed + tail;
  }
  std::error_code ec;
  if (fs::is_regular_file(address, ec)) return address;
  return (fs::path(address) / tail.substr(1)).string();
}

int VersionBuildNumber(std::string_view version) {
  int word = 0;
  size_t start = 0;
  for (size_t i = 0; i <= version.size(); ++i) {
    if (i < version.size() && std::string_view(",-._").find(version[i]) == std::string_view::npos) continue;
    if (i > start && ++word == 4) return StrToIntDef(Trim(version.substr(start, i - start)), 0);
    start = i + 1;
  }
  return 0;
}

bool UpdateOffered(const TUpdateInfo& info, std::string_view runningVersion) {
  return VersionBuildNumber(runningVersion) < VersionBuildNumber(info.VerId) && !info.DownloadUrl.empty() &&
         !info.ChecksumCrc32.empty();
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.find("..") != std::string_view::npos || name == ".") return false;
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32; });
}

bool IsValidVerId(std::string_view verId) {
  return !verId.empty() && std::all_of(verId.begin(), verId.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           std::string_view("._,-").find(c) != std::string_view::npos;
  });
}

TUpdateInfo ReadUpdateInfo(std::string_view text, std::string_view section, std::string_view runningVersion) {
  const TIniFile ini = TIniFile::FromText(DecodeText(text));
  TUpdateInfo info;
  const std::optional<std::string> verId = ini.Value(section, "VerId");
  info.VerId = verId ? std::string(Trim(*verId)) : std::string(runningVersion);
  if (!IsValidVerId(info.VerId))
    throw std::runtime_error(SysFormat("Недопустимый номер версии \"%s\" в описании обновления.", {info.VerId}));
  info.Description = ini.ReadString(section, "Description", "");
  info.DownloadUrl = std::string(Trim(ini.ReadString(section, "DownloadUrl", "")));
  info.OriginalFileName = std::string(Trim(ini.ReadString(section, "OriginalFileName", "")));
  if (!info.OriginalFileName.empty() && !IsPlainFileName(info.OriginalFileName))
    throw std::runtime_error(
        SysFormat("Недопустимое имя файла \"%s\" в описании обновления.", {info.OriginalFileName}));
  info.ChecksumCrc32 = std::string(Trim(ini.ReadString(section, "ChecksumCRC32", "")));
  info.ChecksumSha256 = std::string(Trim(ini.ReadString(section, "ChecksumSHA256", "")));
  for (const std::string_view from : {std::string_view("GlobalOptions"), section}) {
    AppendList(info.DeleteBefore, ini.ReadString(from, "DeleteBefore", ""));
    AppendList(info.DeleteAfter, ini.ReadString(from, "DeleteAfter", ""));
    AppendList(info.ExecBefore, ini.ReadString(from, "ExecBefore", ""));
    AppendList(info.ExecAfter, ini.ReadString(from, "ExecAfter", ""));
  }
  return info;
}

std::string UpdateTextFolder(const std::string& address) {
  if (IsUrl(address)) return address.substr(0, address.find_last_of('/') + 1) + "UpdDescr/";
  const fs::path folder = fs::path(address).parent_path();
  return folder.empty() ? std::string("UpdDescr/") : (folder / "UpdDescr").string() + "/";
}

std::vector<std::string> UpdateTextNames(const std::string& verId, int languageId) {
  std::vector<std::string> names;
  if (languageId != 0) {
    const std::string abbreviation(LanguageAbbr(languageId));
    if (!abbreviation.empty()) names.push_back("UpdDescr_" + abbreviation + "_" + verId + ".txt");
    names.push_back("UpdDescr_" + std::to_string(languageId) + "_" + verId + ".txt");
  }
  names.push_back("UpdDescr_" + verId + ".txt");
  return names;
}

namespace {

// Calls `add` with the file's content chunk by chunk.
template <class F>
void ReadChunks(const fs::path& file, F add) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
  if (!in) ThrowSystem(errno);
  unsigned char chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) add(chunk, n);
  if (std::ferror(in.get())) ThrowSystem(EIO);
}

}  // namespace

std::string FileCrc32Text(const fs::path& file) {
  uLong crc = crc32(0L, Z_NULL, 0);
  ReadChunks(file, [&crc](const unsigned char* data, size_t n) { crc = crc32(crc, data, static_cast<uInt>(n)); });
  char text[9];
  std::snprintf(text, sizeof text, "%.8lX", static_cast<unsigned long>(crc));
  return text;
}

std::string FileSha256Text(const fs::path& file) {
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) throw std::runtime_error("SHA-256");
  ReadChunks(file, [&ctx](const unsigned char* data, size_t n) { EVP_DigestUpdate(ctx.get(), data, n); });
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(ctx.get(), digest, &size);
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%.2x", digest[i]);
    text += pair;
  }
  return text;
}

void FetchUpdateFile(const std::string& source, const fs::path& target, const std::string& caFile, uint64_t cap,
                     const std::function<void()>& pump) {
  std::error_code ec;
  if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), ec);
    if (ec) ThrowSystem(ec.value());
  }
  if (StartsWithNoCase(source, "https://")) {
    THttpOptions options = BrowserLikeOptions();
    options.MaxBytes = cap;
    options.CaFile = caFile;
    options.HttpsOnly = true;
    // The transfer runs on a worker thread while this thread lets the window process its events.
    auto transfer = std::async(std::launch::async, [&] { return HttpGetToFile(source, target, options); });
    while (transfer.wait_for(PollInterval) != std::future_status::ready)
      if (pump) pump();
    const THttpResult got = transfer.get();
    if (!got.Ok) throw std::runtime_error(got.Error);
    return;
  }
  if (IsUrl(source)) throw std::runtime_error(RefusedSource(source));
  const fs::file_status status = fs::status(source, ec);
  if (ec) ThrowSystem(ec.value());
  if (!fs::is_regular_file(status)) ThrowSystem(fs::is_directory(status) ? EISDIR : ENOENT);
  const uintmax_t size = fs::file_size(source, ec);
  if (ec) ThrowSystem(ec.value());
  if (size > cap) throw std::runtime_error(SysFormat("Размер файла \"%s\" превышает %d байт.", {source, cap}));
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  if (ec) ThrowSystem(ec.value());
}

int RunAndWait(const fs::path& folder, const std::string& file, std::chrono::milliseconds limit,
               const std::function<void()>& pump) {
  // Everything the child needs is prepared before the fork: after it, only calls that are safe
  // in a copy of a threaded process are made.
  const std::string dir = folder.string();
  const std::string path = (folder / file).string();
  std::string name = file;
  char* argv[] = {name.data(), nullptr};
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) ThrowSystem(errno);
  const pid_t pid = ::fork();
  if (pid < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    ThrowSystem(error);
  }
  if (pid == 0) {
    ::setpgid(0, 0);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null > 0) {
      ::dup2(null, 0);
      ::close(null);
    }
    if (::chdir(dir.c_str()) == 0) ::execv(path.c_str(), argv);
    const int error = errno;
    (void)!::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::setpgid(pid, pid);
  ::close(report[1]);
  // The pipe closes on a successful exec; otherwise the child reports its errno.
  int error = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  int status = 0;
  if (n == static_cast<ssize_t>(sizeof error)) {
    ::waitpid(pid, &status, 0);
    ThrowSystem(error);
  }
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 && errno != EINTR) ThrowSystem(errno);
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= limit) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      throw std::runtime_error(SysFormat(
          "Ожидание завершения процесса (файла) \"%s\" прервано в связи с превышением времени ожидания!", {file}));
    }
    if (pump) pump();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(PollInterval, limit - waited));
  }
}

}  // namespace kivra

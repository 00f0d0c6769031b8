// The program's self-update: the update description (an INI file naming, per program file, the
// newest version, its package and checks) is fetched from the update address; when it offers a
// newer build the user sees the new version with its description text and may install it. The
// package is downloaded into the work folder beside the program, checked, run there so that it
// leaves the new files, and those are put into the program's folder in stages that are undone on
// any failure. Sources are https:// addresses or local paths only; nothing is taken over http.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/UserPort.h"

namespace kivra {

// Size caps: the description and its texts, and the package.
inline constexpr uint64_t UpdateTextCap = uint64_t{1} << 20;
inline constexpr uint64_t UpdatePackageCap = uint64_t{512} << 20;

// The section of the update description that names this program's executable.
inline constexpr std::string_view UpdateProgramSection = "Kivra_5x45";
// The path of the description file on the update service, and its name inside a local folder.
inline constexpr std::string_view UpdateDescriptionPath = "/files/autoupdates/Sorta_AU.cfg";

// The keys of the update description for one program: its own section, with the lists of
// "GlobalOptions" before its own.
struct TUpdateInfo {
  std::string VerId;  // the running version when the key is missing
  std::string Description;
  std::string DownloadUrl;
  std::string OriginalFileName;
  std::string ChecksumCrc32;
  std::string ChecksumSha256;
  std::vector<std::string> DeleteBefore, DeleteAfter, ExecBefore, ExecAfter;
};

// What the dialog "Найдена новая версия программы" shows.
struct TUpdateOffer {
  std::string RunningVersion;
  std::string VerId;
  std::string Description;        // the value of "Description"
  std::vector<std::string> Text;  // the description text, line by line
};

// The update check's windows besides the port's message boxes.
class TUpdateUi {
 public:
  virtual ~TUpdateUi() = default;
  // The small progress window without a cancel button: its text and a gauge of `steps` steps.
  virtual void ProgressOpen(std::string_view text, int steps) = 0;
  virtual void ProgressStep() = 0;
  virtual void ProgressClose() = 0;
  // The offer: true installs the update, false declines it.
  virtual bool OfferUpdate(const TUpdateOffer& offer) = 0;
  // Called every 100 ms while a package program runs, so the window can process its events.
  virtual void Pump() {}
};

struct TSelfUpdateParams {
  std::string Address;  // the description file: an https:// address or a local path
  bool Quiet = false;   // search failures and "no update" are not shown
  int LanguageId = 1049;
  std::filesystem::path ProgramDir;
  std::string ProgramSection = std::string(UpdateProgramSection);
  std::string RunningVersion;                 // four numbers, "a.b.c.d"
  std::string CaFile;                         // extra certificate authorities for https
  std::chrono::milliseconds RunLimit{60000};  // how long a package program may run
};

// The whole check: search, offer, installation. 0: no update or declined; 1: installed (the
// program must restart); 2: the search or the installation failed.
int CheckForUpdate(const TSelfUpdateParams& params, TUserPort& port, TUpdateUi& ui);

// The description file's address for the configured update address: an address that names a file
// (a local regular file, or a URL whose last piece has a dot) is used as it is; an https:// address
// without a path gets the service's path; any other address is the update folder (the service's
// "/files" or a local copy of it) and gets "autoupdates/Sorta_AU.cfg". Empty stays empty.
std::string UpdateDescriptionAddress(const std::string& updateUrl);

// The build number: the fourth word of the version cut at ",", "-", "." and "_", trimmed, as an
// integer (0 when missing or not a number).
int VersionBuildNumber(std::string_view version);
// An update is offered when the running build is older than "VerId"'s and both the package
// address and its CRC-32 are given.
bool UpdateOffered(const TUpdateInfo& info, std::string_view runningVersion);

// Reads the keys of `section` and "GlobalOptions" from the description's text (UTF-8 or cp1251).
// Throws std::runtime_error when a name or "VerId" is unsafe: names must be plain file names (no
// "/", "\", ":", "..", not empty) and "VerId" only [0-9A-Za-z._,-].
TUpdateInfo ReadUpdateInfo(std::string_view text, std::string_view section, std::string_view runningVersion);
bool IsPlainFileName(std::string_view name);
bool IsValidVerId(std::string_view verId);

// The folder of the description texts beside the description file: "<address up to its last
// "/">UpdDescr/" for a URL, "<file's folder>/UpdDescr/" for a path.
std::string UpdateTextFolder(const std::string& address);
// The names of the description texts in the order they are tried.
std::vector<std::string> UpdateTextNames(const std::string& verId, int languageId);

// The zip CRC-32 of the whole file as 8 capital hexadecimal digits, and its SHA-256 as 64 small
// ones. Throw TFileError.
std::string FileCrc32Text(const std::filesystem::path& file);
std::string FileSha256Text(const std::filesystem::path& file);

// Copies a local path, or downloads an https:// address (the browser's request headers, no proxy,
// `caFile` trusted besides the system's), to `target`, creating its folder. Anything else, http://
// included, is refused. Throws std::runtime_error with the reason; a source larger than `cap`
// fails. `pump` is called every 100 ms while a download runs.
void FetchUpdateFile(const std::string& source, const std::filesystem::path& target, const std::string& caFile,
                     uint64_t cap, const std::function<void()>& pump = {});

// Runs `folder`/`file` with `folder` as its current directory (no shell) and waits for it,
// calling `pump` every 100 ms. Past `limit` the process group is killed and the program's timeout
// error is thrown; a program that cannot be started throws the system's text. The exit code.
int RunAndWait(const std::filesystem::path& folder, const std::string& file, std::chrono::milliseconds limit,
               const std::function<void()>& pump);

}  // namespace kivra

// The catalogue's nine requests over an SQLite database: systems and scripts with their owners,
// ratings and downloads. Each request takes the decoded form fields and gives the reply text
// "<result><row>...</row>...</result>"; a refused request gives one row with <error>.
//
// Writes go through one connection, one at a time; reads use connections of their own (the
// database is in WAL mode), so lists are answered while a write runs and beside each other.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Database.h"

namespace kivra::server {

using TFields = std::map<std::string, std::string, std::less<>>;

// Limits of what a request may carry (characters are Unicode characters of the UTF-8 text).
inline constexpr size_t MaxFormFields = 64;         // a form with more fields is refused
inline constexpr size_t MaxTitleChars = 64;         // system and script titles
inline constexpr size_t MaxNameChars = 64;          // cl_name (the author)
inline constexpr size_t MaxMailChars = 128;         // cl_mail
inline constexpr size_t MaxDescriptionChars = 2000; // descriptions of systems and scripts
inline constexpr size_t MaxUrlChars = 1024;         // a system's link
inline constexpr size_t MaxNotesChars = 1000;       // a rating's comment
inline constexpr size_t MaxClientFieldChars = 128;  // cl_key, cl_app, cl_ver, cl_guid
inline constexpr size_t MaxScriptBytes = size_t{1} << 20;   // a script's text (UTF-8 bytes)
inline constexpr size_t MaxSystemBytes = size_t{4} << 20;   // a system's content (bytes)

// The fields of an application/x-www-form-urlencoded body, the first of repeated names kept.
// False (fields left incomplete) when the body has more than `maxFields` fields. Linear in the
// body's size; the memory is that of the decoded fields.
bool ParseFormFields(std::string_view body, TFields& fields, size_t maxFields = MaxFormFields);

class TCatalogService {
 public:
  // Opens (creates, or brings an older layout up to date) the database.
  explicit TCatalogService(const std::string& dbPath);
  ~TCatalogService();

  // `script` is the request's name ("sys_getlist.php", ...); `now` is seconds since 1970 (UTC).
  // False when the name is not one of the nine requests.
  bool Handle(std::string_view script, const TFields& fields, int64_t now, std::string& reply);
  // The same for a form body as it came.
  bool HandleForm(std::string_view script, std::string_view body, int64_t now, std::string& reply);

 private:
  struct TUser {
    int64_t Id = 0;  // 0: nobody known
    std::string Error;
  };
  class TReaders;

  TUser Identify(TDatabase& db, const TFields& fields, bool write);
  // Runs a checkpoint that empties the database log once it has grown past a few MB.
  void AfterWrite();

  std::string SystemsList(const TFields& f);
  std::string SystemData(const TFields& f, int64_t now);
  std::string SystemPut(const TFields& f, int64_t now);
  std::string ScriptsList(const TFields& f, int64_t now);
  std::string ScriptData(const TFields& f, int64_t now);
  std::string ScriptRate(const TFields& f, int64_t now);
  std::string ScriptTitle(const TFields& f);
  std::string ScriptPut(const TFields& f, int64_t now);
  std::string ScriptRates(const TFields& f);

  // Called after a committed change of the systems (downloads included).
  void SystemsChanged() { ++systemsVersion_; }

  std::string path_;
  // The systems list's reply for each `maxnums`, good while no system has changed since.
  struct TCachedList {
    uint64_t Version = 0;
    std::shared_ptr<const std::string> Text;
  };
  std::atomic<uint64_t> systemsVersion_{1};
  std::mutex listsMutex_;
  std::map<int64_t, TCachedList> lists_;
  std::mutex writeMutex_;
  TDatabase writer_;
  std::unique_ptr<TReaders> readers_;
};

}  // namespace kivra::server

// The catalogue's nine requests over an SQLite database: systems and scripts with their owners,
// ratings and downloads. Each request takes the decoded form fields and gives the reply text
// "<result><row>...</row>...</result>"; a refused request gives one row with <error>.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "Database.h"

namespace kivra::server {

using TFields = std::map<std::string, std::string, std::less<>>;

class TCatalogService {
 public:
  explicit TCatalogService(const std::string& dbPath);

  // `script` is the request's name ("sys_getlist.php", ...); `now` is seconds since 1970 (UTC).
  // False when the name is not one of the nine requests.
  bool Handle(std::string_view script, const TFields& fields, int64_t now, std::string& reply);

 private:
  struct TUser {
    int64_t Id = 0;  // 0: nobody known
    std::string Error;
  };
  TUser Identify(const TFields& fields, bool write);

  std::string SystemsList(const TFields& f);
  std::string SystemData(const TFields& f, int64_t now);
  std::string SystemPut(const TFields& f, int64_t now);
  std::string ScriptsList(const TFields& f, int64_t now);
  std::string ScriptData(const TFields& f, int64_t now);
  std::string ScriptRate(const TFields& f, int64_t now);
  std::string ScriptTitle(const TFields& f);
  std::string ScriptPut(const TFields& f, int64_t now);
  std::string ScriptRates(const TFields& f);

  bool TitleTaken(std::string_view title, int64_t exceptId);

  std::mutex mutex_;
  TDatabase db_;
};

}  // namespace kivra::server

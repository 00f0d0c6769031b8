// The client of the online catalogues: the systems catalogue and the script library. Every request
// is a form POST to "<base>/scripts/<name>.php"; every reply is read with ReadCatalogReply. The
// functions return the parsed rows or the reason of the failure; the messages around that reason
// are the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Config.h"
#include "core/SortaUtils.h"
#include "online/CatalogCodec.h"
#include "stakes/Systems.h"

namespace kivra {

// Who asks and where: the catalogue's base address and the client fields of the requests.
struct TCatalogClient {
  std::string BaseUrl;  // "/scripts/<name>" is appended
  std::string UserName;
  std::string UserMail;
  std::string ClientKey;  // random per installation; binds the e-mail on the server
  int32_t Lcid = 1049;
  std::string AppName;
  std::string AppVersion;
  std::string AppGuid;  // this program's fixed identifier
  // The configuration's proxy settings (the catalogues use them; nothing else is assumed).
  std::optional<TProxyConfig> Proxy;
  std::string CaFile;  // extra certificate authorities to trust (PEM); empty: the system's only
};

struct TSystemData : TSystemInfo {
  std::string Content;
};

struct TScriptInfo {
  int32_t Id = -1;
  std::string Author;
  std::string AuthorMail;
  int32_t Language = 0;
  std::string AppName;
  std::string AppVersion;
  bool Universal = false;
  bool Public = false;
  TDateTime Created = 0;
  double RatingAvg = 0;
  int32_t RatingCount = 0;
  int32_t YourRating = 0;  // -1 hidden, 0 none, 1..5
  int32_t Downloads = 0;
  TDateTime LastDownload = 0;
  std::string Title;
  std::string Description;
  bool Own = false;
  bool Editable = false;
  bool Downloadable = false;
};

struct TScriptData {
  int32_t Id = -1;
  std::string Author;
  int32_t Language = 0;
  bool Universal = false;
  bool Public = true;
  std::string Title;
  std::string Description;
};

struct TScriptRate {
  std::string Name;
  int32_t Rate = 0;
  TDateTime Created = 0;
  std::string AppName;
  std::string AppVersion;
  std::string Notes;
};

template <class T>
struct TCatalogResult {
  bool Ok = false;
  std::string Error;
  T Value{};
};

// The form bodies of the nine requests.
std::string SystemsListForm(const TCatalogClient& client);
std::string SystemDataForm(int32_t id);
std::string SystemSaveForm(const TCatalogClient& client, const TSystemData& data, bool remove);
std::string ScriptsListForm(const TCatalogClient& client, int32_t filterId);
// The script's text and its ratings are asked with the client fields: a private script is shown
// to its owner only.
std::string ScriptDataForm(const TCatalogClient& client, int32_t id);
std::string ScriptRateForm(const TCatalogClient& client, int32_t id, int32_t value, std::string_view notes);
std::string ScriptTitleForm(int32_t id, std::string_view title);
std::string ScriptSaveForm(const TCatalogClient& client, const TScriptData& data, std::string_view text, bool remove);
std::string ScriptRatesForm(const TCatalogClient& client, int32_t id);

// Reply rows to records. A system row with Nums outside 6..45 gives false; an invalid Base64
// field gives false with `error` set.
bool ReadSystemRow(const TReplyRow& row, TSystemInfo& info, std::string& error);
bool ReadScriptRow(const TReplyRow& row, const TCatalogClient& client, TScriptInfo& info, std::string& error);
TScriptRate ReadRateRow(const TReplyRow& row);

// Script text and lines: a downloaded text splits at CR LF, CR or LF; an upload joins the lines
// with CR LF and no trailing break.
std::vector<std::string> SplitScriptText(std::string_view text);
std::string JoinScriptLines(const std::vector<std::string>& lines);

// The address of a request: the base without trailing "/" followed by "/scripts/<name>".
std::string CatalogUrl(const TCatalogClient& client, std::string_view name);
// Posts the form and reads the reply (at most 16 MiB).
TCatalogReply CatalogRequest(const TCatalogClient& client, std::string_view name, const std::string& form);

// The operations. Rows the lists cannot use are left out.
TCatalogResult<std::vector<TSystemInfo>> LoadSystemsList(const TCatalogClient& client);
TCatalogResult<std::string> LoadSystemContent(const TCatalogClient& client, int32_t id);
// The id returned: the first <id_systems> >= 0 (0 after a deletion), else -1.
TCatalogResult<int32_t> SaveSystem(const TCatalogClient& client, const TSystemData& data, bool remove);

TCatalogResult<std::vector<TScriptInfo>> LoadScriptsList(const TCatalogClient& client, int32_t filterId);
TCatalogResult<std::string> LoadScriptText(const TCatalogClient& client, int32_t id);
// Value -1 hides, 0 removes the own rating, 1..5 rates. A negative <res_code> fails.
TCatalogResult<int32_t> RateScript(const TCatalogClient& client, int32_t id, int32_t value, std::string_view notes);
// True when the title is free (<ret_code> 0).
TCatalogResult<bool> CheckScriptTitle(const TCatalogClient& client, int32_t id, std::string_view title);
TCatalogResult<int32_t> SaveScript(const TCatalogClient& client, const TScriptData& data,
                                   const std::vector<std::string>& lines, bool remove);
TCatalogResult<std::vector<TScriptRate>> LoadScriptRates(const TCatalogClient& client, int32_t id);

}  // namespace kivra

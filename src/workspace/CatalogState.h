// The online catalogues as the window and kivra-cli use them: the systems catalogue behind the
// "Системы" tab (its rows live in the systems state) and the script library behind the panel
// "Online каталог сценариев". Every operation talks to the user through the port: busy and status
// texts, its error box, and the questions before deleting. Without a catalogue address the systems
// list holds the placeholder row, the library list is empty, and the server operations are off.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Config.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "online/Catalog.h"
#include "workspace/OnlineSettings.h"
#include "workspace/ScriptState.h"
#include "workspace/SystemState.h"

namespace kivra {

// This program's fixed identifier in the script library (scripts that are not universal can be
// downloaded only by the program that published them).
inline constexpr std::string_view CatalogAppGuid = "{5B0A7C1E-3D44-4F6A-9E21-7C4B8D2F1A45}";
inline constexpr std::string_view CatalogAppName = "Kivra_5x45";

// The script languages the properties dialog offers: locale identifier and its abbreviation.
struct TScriptLanguage {
  int32_t Lcid;
  std::string_view Abbrev;
  std::string_view Name;
};
extern const std::array<TScriptLanguage, 8> ScriptLanguages;
// "RUS", "ENU", ...; empty for an identifier not in the table.
std::string_view LanguageAbbrev(int32_t lcid);

// The list filter: captions in order; the server's filter id is index − 1.
inline constexpr int ScriptFilterCount = 8;
extern const std::array<std::string_view, ScriptFilterCount> ScriptFilterCaptions;

// The columns of the library list and of the ratings window.
inline constexpr int ScriptColumnCount = 13;
extern const std::array<std::string_view, ScriptColumnCount> ScriptColumnCaptions;
inline constexpr int ScriptRatingColumn = 7;
std::string ScriptCellText(const TScriptInfo& info, int column);
inline constexpr int RateColumnCount = 6;
extern const std::array<std::string_view, RateColumnCount> RateColumnCaptions;
std::string RateCellText(const TScriptRate& rate, int column);

// The captions of the rating commands 1..5.
extern const std::array<std::string_view, 5> RateCaptions;

// The content of the dialog "Система" after it lost focus: every line trimmed; a line of exactly
// five numbers (any of the file's separators between them) rewritten as two-digit numbers with
// single spaces; every other line deleted. Nums is max − min + 1 over all numbers (0 without
// lines), Count the number of lines.
struct TNormalisedSystem {
  std::string Content;  // lines joined with CR LF
  int Nums = 0;
  int Count = 0;
};
TNormalisedSystem NormaliseSystemContent(std::string_view text);

// The checks of the dialog "Система" in order; the failing field (0 title, 1 numbers, 2 block,
// 3 author, 4 description, 5 content) and its message, or nullopt.
struct TFieldError {
  int Field;
  std::string Message;
};
std::optional<TFieldError> CheckSystemData(const TSystemData& data);

// Whether a link may be opened from the dialog: http:// and https:// only.
bool OpenableLink(std::string_view url);

class TCatalogState {
 public:
  TCatalogState(TUserPort& port, TOnlineSettings& online, const TConfiguration& config, TSystemState& systems,
                TScriptState& script, TWindowSettings& settings);
  TCatalogState(const TCatalogState&) = delete;
  TCatalogState& operator=(const TCatalogState&) = delete;

  // Whether a catalogue address is configured (the server operations need one).
  bool HasCatalog() const;
  // The client of the requests: address, identity, client key, proxy and extra CA.
  TCatalogClient Client();
  // Whether the user's name and e-mail are known (asked before the first publish or rating).
  bool HasIdentity() const { return online_.HasIdentity(); }
  // Whether the row's system or script is the user's own (e-mail, letter case ignored).
  bool IsOwn(std::string_view authorMail) const;

  // The lists' sort orders (the systems list starts by "Числа" ascending, the library by "Рейтинг"
  // descending): applied at once and after every load. Numbers and dates compare as values, the
  // other columns as their texts.
  void SortSystems(int column, bool descending);
  void SortScripts(int column, bool descending);

  // --- Systems ---
  // The list from the catalogue (busy "Загрузка списка систем..."); the placeholder row when there
  // is no address, the reply is empty, or it failed (then with its error box). Local files whose
  // time differs from the row's creation time are downloaded again.
  void LoadSystems();
  // Downloads the row's system into the local folder (status "Загрузка \"%s\"..."): the whole
  // content written through a temporary file, every other file of the same count of numbers
  // deleted, the file times set to the creation time.
  bool DownloadSystem(int row);
  // The system's content for the dialog; nullopt after the error box (`failure` and the reason).
  std::optional<std::string> SystemContent(int row, std::string_view failure);
  // Sends the system (save or delete): the id returned (≥ 0, or −1 when the reply holds none);
  // nullopt after the error box.
  std::optional<int32_t> SaveSystem(const TSystemData& data, bool remove);
  // A new own system: a new row (selected by the caller) with its index, or −1.
  int AddSystem(TSystemData data);
  // An own system changed: the row takes the data.
  bool EditSystem(int row, TSystemData data);
  // Deletes an own system after the question (default No): the row and its local file go.
  bool DeleteSystem(int row);
  // A new system's data: author and e-mail from the user's identity.
  TSystemData NewSystem() const;
  // The row's data for the dialog (content separately).
  TSystemData SystemData(int row, std::string content) const;

  // --- Script library ---
  // "ScriptLibraryOn" (default on), "ScriptLibraryFilter" (default 2), read by LoadSettings.
  void LoadSettings();
  bool LibraryOn() const { return libraryOn_; }
  // `save`: written to the window settings at once (kivra-cli changes them for one run only).
  void SetLibraryOn(bool on, bool save = true);
  int Filter() const { return filter_; }
  void SetFilter(int index, bool save = true);

  // The list's rows, "Рейтинг" descending.
  const std::vector<TScriptInfo>& Scripts() const { return scripts_; }
  int FindScript(int32_t id) const;
  // Reloads the list (busy "Загрузка online-каталога сценариев..."); empty when the panel is off
  // or there is no address; on failure the rows stay as they were.
  bool LoadScripts();
  // The row's script becomes the working script (saved).
  bool DownloadScript(int row);
  // A new script's data: the user's name, Russian, public, for this program only.
  TScriptData NewScriptData() const;
  TScriptData ScriptData(int row) const;
  // The dialog's checks: title (trimmed) not empty, free in the catalogue, author (trimmed) not
  // empty. The failing field (0 title, 1 author; −1 the request failed after its box) and message.
  std::optional<TFieldError> CheckScriptData(const TScriptData& data);
  // Publishes the working script (new when data.Id < 0: a new own row, its index returned;
  // otherwise the row holding that id is replaced); −1 after the error box.
  int PublishScript(const TScriptData& data);
  // Deletes an own script after the question (default No).
  bool DeleteScript(int row);
  // Rates the row (1..5 with a comment, 0 removes the own rating, −1 hides), then reloads.
  bool RateScript(int row, int value, std::string_view notes);
  // The users' ratings of the row's script (status "Загрузка списка оценок..."); nullopt after the
  // error box.
  std::optional<std::vector<TScriptRate>> ScriptRates(int row);

 private:
  bool ReadyForServer();
  bool WriteSystemFile(const TSystemInfo& info, const std::string& content, std::string& error);

  TUserPort& port_;
  TOnlineSettings& online_;
  const TConfiguration& config_;
  TSystemState& systems_;
  TScriptState& script_;
  TWindowSettings& settings_;
  int systemsSort_ = 2, scriptsSort_ = ScriptRatingColumn;
  bool systemsDescending_ = false, scriptsDescending_ = true;
  bool libraryOn_ = true;
  int filter_ = 2;
  std::vector<TScriptInfo> scripts_;
};

}  // namespace kivra

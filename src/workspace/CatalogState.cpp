#include "workspace/CatalogState.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/Version.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool IsSystemSeparator(char c) { return std::string_view(" *+,-./:;=\\_|~").find(c) != std::string_view::npos; }

// The numbers of a system's content line: its words between separators, each of one to three
// digits; nothing when a word is something else.
std::optional<std::vector<int>> SystemLineNumbers(std::string_view line) {
  std::vector<int> numbers;
  for (size_t i = 0; i < line.size();) {
    if (IsSystemSeparator(line[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < line.size() && !IsSystemSeparator(line[end])) ++end;
    const std::string_view word = line.substr(i, end - i);
    if (word.size() > 3 || !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return std::nullopt;
    numbers.push_back(std::stoi(std::string(word)));
    i = end;
  }
  return numbers;
}

// The file's modification time in seconds, or -1.
int64_t FileSeconds(const std::filesystem::path& file) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_mtime);
}

bool SetFileSeconds(const std::filesystem::path& file, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

// A column's sort value: numbers and dates as they are; nullopt for the columns of texts.
std::optional<double> SortValue(const TSystemInfo& s, int column) {
  switch (column) {
    case 2: return s.Nums;
    case 3: return s.Block;
    case 4: return s.Count;
    case 5: return s.Created;
    case 7: return s.Downloads;
    case 8: return s.LastDownload;
    default: return std::nullopt;
  }
}

std::optional<double> SortValue(const TScriptInfo& s, int column) {
  switch (column) {
    case 6: return s.Created;
    case 7: return s.RatingAvg;
    case 8: return s.RatingCount;
    case 9: return s.YourRating;
    case 10: return s.Downloads;
    case 11: return s.LastDownload;
    default: return std::nullopt;
  }
}

// Stable, so that rows equal in the column keep the order they had.
template <class Row, class Text>
void SortRows(std::vector<Row>& rows, int column, bool descending, Text text) {
  auto less = [column, &text](const Row& a, const Row& b) {
    const auto x = SortValue(a, column), y = SortValue(b, column);
    return x && y ? *x < *y : text(a, column) < text(b, column);
  };
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return descending ? less(b, a) : less(a, b); });
}

}  // namespace

const std::array<TScriptLanguage, 8> ScriptLanguages = {{{1049, "RUS", "Русский"},
                                                         {1033, "ENU", "Английский"},
                                                         {1058, "UKR", "Украинский"},
                                                         {1059, "BEL", "Белорусский"},
                                                         {1087, "KKZ", "Казахский"},
                                                         {1031, "DEU", "Немецкий"},
                                                         {1036, "FRA", "Французский"},
                                                         {1034, "ESP", "Испанский"}}};

std::string_view LanguageAbbrev(int32_t lcid) {
  for (const TScriptLanguage& l : ScriptLanguages)
    if (l.Lcid == lcid) return l.Abbrev;
  return {};
}

const std::array<std::string_view, ScriptFilterCount> ScriptFilterCaptions = {
    "Скрытые",          "Все, включая скрытые", "Все, кроме скрытых (по умолчанию)",   "Только мои", "Только публичные",
    "С моими оценками", "Без моих оценок",      "Новые (24 часа с момента публикации)"};

const std::array<std::string_view, ScriptColumnCount> ScriptColumnCaptions = {
    "Тип",     "Название", "Автор",       "Программа", "Версия",    "Язык",       "Создан",
    "Рейтинг", "Оценок",   "Ваша оценка", "Загрузок",  "Последняя", "Комментарии"};

const std::array<std::string_view, RateColumnCount> RateColumnCaptions = {"Имя",       "Оценка", "Дата",
                                                                          "Программа", "Версия", "Комментарии"};

const std::array<std::string_view, 5> RateCaptions = {"[ 1 ] - Бесполезно", "[ 2 ] - Плохо",
                                                      "[ 3 ] - Удовлетворительно", "[ 4 ] - Хорошо", "[ 5 ] - Отлично"};

std::string ScriptCellText(const TScriptInfo& info, int column) {
  switch (column) {
    case 0: return info.Own ? "Мой" : "Общий";
    case 1: return info.Title;
    case 2: return info.Author;
    case 3: return info.Universal ? "Универсальный" : info.AppName;
    case 4: return info.AppVersion;
    case 5: return std::string(LanguageAbbrev(info.Language));
    case 6: return DateTimeToText(info.Created);
    case 7: return SysFormat("%.3n", {info.RatingAvg});
    case 8: return std::to_string(info.RatingCount);
    case 9: return info.YourRating < 0 ? "Скрытый" : info.YourRating == 0 ? "" : std::to_string(info.YourRating);
    case 10: return std::to_string(info.Downloads);
    case 11: return DateTimeToText(info.LastDownload);
    case 12: return info.Description;
    default: return {};
  }
}

std::string RateCellText(const TScriptRate& rate, int column) {
  switch (column) {
    case 0: return rate.Name;
    case 1: return std::to_string(rate.Rate);
    case 2: return DateTimeToText(rate.Created);
    case 3: return rate.AppName;
    case 4: return rate.AppVersion;
    case 5: return rate.Notes;
    default: return {};
  }
}

TNormalisedSystem NormaliseSystemContent(std::string_view text) {
  TNormalisedSystem result;
  int low = 0, high = 0;
  for (const std::string& raw : SplitScriptText(text)) {
    const auto read = SystemLineNumbers(Trim(raw));
    if (!read || read->size() != CombSize) continue;
    const std::vector<int>& numbers = *read;
    if (!result.Content.empty()) result.Content += "\r\n";
    for (size_t k = 0; k < numbers.size(); ++k) {
      if (k > 0) result.Content += ' ';
      result.Content += SysFormat("%.2d", {numbers[k]});
      if (result.Count == 0 && k == 0) low = high = numbers[k];
      low = std::min(low, numbers[k]);
      high = std::max(high, numbers[k]);
    }
    ++result.Count;
  }
  result.Nums = result.Count > 0 ? high - low + 1 : 0;
  return result;
}

std::optional<TFieldError> CheckSystemData(const TSystemData& data) {
  if (Trim(data.Title).empty()) return TFieldError{0, "Название системы должно быть указано обязательно!"};
  if (data.Nums < 6 || data.Nums > MaxNumber)
    return TFieldError{1, "Указано недопустимое количество используемых чисел!"};
  if (data.Block > 4) return TFieldError{2, "Указан недопустимый размер блока!"};
  if (Trim(data.Author).empty()) return TFieldError{3, "Имя автора должно быть указано обязательно!"};
  if (Trim(data.Description).empty()) return TFieldError{4, "Описание системы должно быть указано обязательно!"};
  if (Trim(data.Content).empty()) return TFieldError{5, "Содержимое системы должно быть указано обязательно!"};
  // Every line: five different positions 1..N (the normalised content holds numbers only).
  int lineNumber = 0;
  for (const std::string& raw : SplitScriptText(data.Content)) {
    ++lineNumber;
    std::vector<int> sorted = SystemLineNumbers(Trim(raw)).value_or(std::vector<int>());
    std::sort(sorted.begin(), sorted.end());
    const bool valid = sorted.size() == CombSize && sorted.front() >= 1 && sorted.back() <= data.Nums &&
                       std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
    if (!valid)
      return TFieldError{5, SysFormat("Строка %d списка комбинаций: нужны пять разных чисел от 1 до %d.",
                                      {lineNumber, int(data.Nums)})};
  }
  return std::nullopt;
}

bool OpenableLink(std::string_view url) {
  url = Trim(url);
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
    if (url.size() > scheme.size() && SameText(url.substr(0, scheme.size()), scheme)) return true;
  return false;
}

TCatalogState::TCatalogState(TUserPort& port, TOnlineSettings& online, const TConfiguration& config,
                             TSystemState& systems, TScriptState& script, TWindowSettings& settings)
    : port_(port), online_(online), config_(config), systems_(systems), script_(script), settings_(settings) {}

bool TCatalogState::HasCatalog() const { return !online_.CatalogUrl().empty(); }

TCatalogClient TCatalogState::Client() {
  TCatalogClient client;
  client.BaseUrl = online_.CatalogUrl();
  client.UserName = online_.UserName();
  client.UserMail = online_.UserMail();
  client.ClientKey = online_.ClientKey();
  client.Lcid = 1049;
  client.AppName = CatalogAppName;
  client.AppVersion = KIVRA_VERSION;
  client.AppGuid = CatalogAppGuid;
  client.Proxy = config_.Proxy;
  client.CaFile = online_.CaFile();
  return client;
}

void TCatalogState::SortSystems(int column, bool descending) {
  if (column < 0 || column >= SystemColumnCount) return;
  systemsSort_ = column;
  systemsDescending_ = descending;
  SortRows(systems_.MutableRows(), column, descending,
           [this](const TSystemInfo& s, int c) { return SystemCellText(s, c, systems_.Downloaded(s)); });
}

void TCatalogState::SortScripts(int column, bool descending) {
  if (column < 0 || column >= ScriptColumnCount) return;
  scriptsSort_ = column;
  scriptsDescending_ = descending;
  SortRows(scripts_, column, descending, [](const TScriptInfo& s, int c) { return ScriptCellText(s, c); });
}

bool TCatalogState::IsOwn(std::string_view authorMail) const {
  const std::string mail = online_.UserMail();
  return !mail.empty() && SameText(Trim(authorMail), Trim(mail));
}

bool TCatalogState::ReadyForServer() {
  if (!HasCatalog()) {
    port_.ShowError("Адрес online-каталога не указан!");
    return false;
  }
  if (!HasIdentity()) {
    port_.ShowError("Укажите свое имя и адрес электронной почты в параметрах online-сервисов!");
    return false;
  }
  return true;
}

// --- Systems ---

void TCatalogState::LoadSystems() {
  if (!HasCatalog()) {
    systems_.LoadList();
    return;
  }
  std::vector<TSystemInfo>& rows = systems_.MutableRows();
  TCatalogResult<std::vector<TSystemInfo>> list;
  {
    TBusyScope busy(port_, "Загрузка списка систем...");
    rows.clear();
    list = LoadSystemsList(Client());
  }
  if (!list.Ok) {
    rows = {SystemPlaceholder()};
    port_.ShowError("Ошибка загрузки списка систем!\r\r" + list.Error);
    return;
  }
  rows = std::move(list.Value);
  if (rows.empty()) {
    rows = {SystemPlaceholder()};
    return;
  }
  SortSystems(systemsSort_, systemsDescending_);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!systems_.Downloaded(rows[i])) continue;
    const auto file = systems_.Folder() / SystemFileName(rows[i].Nums, rows[i].Block, rows[i].Id);
    if (FileSeconds(file) != LocalDateTimeToUnix(rows[i].Created)) DownloadSystem(static_cast<int>(i));
  }
}

bool TCatalogState::WriteSystemFile(const TSystemInfo& info, const std::string& content, std::string& error) {
  const std::filesystem::path folder = systems_.Folder();
  const std::string name = SystemFileName(info.Nums, info.Block, info.Id);
  const std::filesystem::path file = folder / name;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // Written whole or not at all: a temporary file renamed over the name.
  try {
    WriteFileAtomic(file, content);
  } catch (const TFileError& e) {
    error = ErrorText(e);
    return false;
  }
  // The file times carry the system's creation time: a later list finds changed systems by them.
  const int64_t created = LocalDateTimeToUnix(info.Created);
  if (created > 0 && (!SetFileSeconds(file, created) || FileSeconds(file) != created)) {
    error = "Не удалось установить время файла \"" + file.string() + "\"";
    return false;
  }
  return true;
}

bool TCatalogState::DownloadSystem(int row) {
  std::vector<TSystemInfo>& rows = systems_.MutableRows();
  if (row < 0 || row >= static_cast<int>(rows.size()) || rows[row].Id < 0) return false;
  if (!HasCatalog()) return false;
  const TSystemInfo info = rows[row];
  std::string error;
  {
    TBusyScope busy(port_, SysFormat("Загрузка \"%s\"...", {info.Title}));
    const auto content = LoadSystemContent(Client(), info.Id);
    if (!content.Ok) {
      error = content.Error;
    } else if (const int lines = static_cast<int>(SplitScriptText(content.Value).size()); lines != info.Count) {
      error = SysFormat("Количество скачанных комбинаций ( %d ) отличается от ожидаемого значения ( %d )",
                        {lines, info.Count});
    } else {
      WriteSystemFile(info, content.Value, error);
    }
  }
  if (!error.empty()) {
    port_.ShowError(SysFormat("Ошибка загрузки системы #%d!\r\r%s", {info.Id, error}));
    return false;
  }
  // One local system per count of numbers: the other files of this count go.
  const std::string keep = SystemFileName(info.Nums, info.Block, info.Id);
  std::error_code ec;
  for (const auto& file : FindFilesByMask(systems_.Folder(), SystemFileMask(info.Nums)))
    if (file.filename() != keep) std::filesystem::remove(file, ec);
  return true;
}

std::optional<std::string> TCatalogState::SystemContent(int row, std::string_view failure) {
  const auto& rows = systems_.Rows();
  if (row < 0 || row >= static_cast<int>(rows.size())) return std::nullopt;
  if (rows[row].Id < 0 || !HasCatalog()) return std::string();
  TCatalogResult<std::string> content;
  {
    TBusyScope busy(port_, SysFormat("Загрузка \"%s\"...", {rows[row].Title}));
    content = LoadSystemContent(Client(), rows[row].Id);
  }
  if (!content.Ok) {
    port_.ShowError(std::string(failure) + "\r\r" + content.Error);
    return std::nullopt;
  }
  return content.Value;
}

std::optional<int32_t> TCatalogState::SaveSystem(const TSystemData& data, bool remove) {
  TCatalogResult<int32_t> saved;
  {
    TBusyScope busy(port_, SysFormat(remove ? "Удаление \"%s\"..." : "Сохранение \"%s\"...", {data.Title}));
    saved = ::kivra::SaveSystem(Client(), data, remove);
  }
  if (!saved.Ok) {
    // A new system has no number yet: the message names none.
    port_.ShowError(data.Id >= 0 ? SysFormat("Ошибка сохранения системы #%d!\r\r%s", {data.Id, saved.Error})
                                 : SysFormat("Ошибка сохранения системы!\r\r%s", {saved.Error}));
    return std::nullopt;
  }
  return saved.Value;
}

TSystemData TCatalogState::NewSystem() const {
  TSystemData data;
  data.Author = online_.UserName();
  data.AuthorMail = online_.UserMail();
  return data;
}

TSystemData TCatalogState::SystemData(int row, std::string content) const {
  TSystemData data;
  static_cast<TSystemInfo&>(data) = systems_.Rows().at(row);
  data.Content = std::move(content);
  return data;
}

int TCatalogState::AddSystem(TSystemData data) {
  if (!ReadyForServer()) return -1;
  data.Id = -1;
  data.AuthorMail = online_.UserMail();
  if (data.Created <= 0) data.Created = Now();
  const auto id = SaveSystem(data, false);
  if (!id) return -1;
  if (*id < 0) {
    port_.ShowError("Ошибка добавления системы!\r\rСервер не вернул номер системы");
    return -1;
  }
  data.Id = *id;
  std::vector<TSystemInfo>& rows = systems_.MutableRows();
  std::erase_if(rows, [](const TSystemInfo& r) { return r.Id < 0; });
  rows.push_back(static_cast<const TSystemInfo&>(data));
  return static_cast<int>(rows.size()) - 1;
}

bool TCatalogState::EditSystem(int row, TSystemData data) {
  std::vector<TSystemInfo>& rows = systems_.MutableRows();
  if (row < 0 || row >= static_cast<int>(rows.size()) || !IsOwn(rows[row].AuthorMail)) return false;
  if (!ReadyForServer()) return false;
  data.Id = rows[row].Id;
  if (data.Created <= 0) data.Created = Now();
  const auto id = SaveSystem(data, false);
  if (!id) return false;
  if (*id < 0) {
    port_.ShowError("Ошибка изменения системы!\r\rСервер не вернул номер системы");
    return false;
  }
  rows[row] = static_cast<const TSystemInfo&>(data);
  return true;
}

bool TCatalogState::DeleteSystem(int row) {
  std::vector<TSystemInfo>& rows = systems_.MutableRows();
  if (row < 0 || row >= static_cast<int>(rows.size()) || rows[row].Id < 0) return false;
  if (!IsOwn(rows[row].AuthorMail)) {
    port_.ShowWarning("Вы можете удалять только свои системы!");
    return false;
  }
  if (!port_.Message(TMessageKind::Question, CaptionQuestion,
                     SysFormat("Вы действительно хотите удалить систему \"%s\"?", {rows[row].Title}), false))
    return false;
  if (!ReadyForServer()) return false;
  const TSystemData data = SystemData(row, {});
  const auto id = SaveSystem(data, true);
  if (!id) return false;
  if (*id != 0) {
    port_.ShowError(SysFormat("Ошибка удаления системы!\r\rКод возврата: %d", {*id}));
    return false;
  }
  std::error_code ec;
  std::filesystem::remove(systems_.Folder() / SystemFileName(data.Nums, data.Block, data.Id), ec);
  rows.erase(rows.begin() + row);
  if (rows.empty()) rows = {SystemPlaceholder()};
  return true;
}

// --- Script library ---

void TCatalogState::LoadSettings() {
  libraryOn_ = settings_.ReadSetting(StateSettingsSection, "ScriptLibraryOn", true);
  const int64_t filter = settings_.ReadSetting(StateSettingsSection, "ScriptLibraryFilter", 2);
  filter_ = filter >= 0 && filter < ScriptFilterCount ? static_cast<int>(filter) : 2;
}

void TCatalogState::SetLibraryOn(bool on, bool save) {
  libraryOn_ = on;
  if (save) settings_.WriteSetting(StateSettingsSection, "ScriptLibraryOn", on, &port_);
}

void TCatalogState::SetFilter(int index, bool save) {
  if (index < 0 || index >= ScriptFilterCount) return;
  filter_ = index;
  if (save) settings_.WriteSetting(StateSettingsSection, "ScriptLibraryFilter", int64_t{index}, &port_);
}

int TCatalogState::FindScript(int32_t id) const {
  for (size_t i = 0; i < scripts_.size(); ++i)
    if (scripts_[i].Id == id) return static_cast<int>(i);
  return -1;
}

bool TCatalogState::LoadScripts() {
  if (!libraryOn_ || !HasCatalog()) {
    scripts_.clear();
    return true;
  }
  TCatalogResult<std::vector<TScriptInfo>> list;
  {
    TBusyScope busy(port_, "Загрузка online-каталога сценариев...");
    list = LoadScriptsList(Client(), filter_ - 1);
  }
  if (!list.Ok) {
    port_.ShowError("Ошибка загрузки каталога online-сценариев!\r\r" + list.Error);
    return false;
  }
  scripts_ = std::move(list.Value);
  SortScripts(scriptsSort_, scriptsDescending_);
  return true;
}

bool TCatalogState::DownloadScript(int row) {
  if (row < 0 || row >= static_cast<int>(scripts_.size()) || !scripts_[row].Downloadable || !HasCatalog()) return false;
  TCatalogResult<std::string> text;
  {
    TBusyScope busy(port_, "Скачивание сценария из online-каталога...");
    text = LoadScriptText(Client(), scripts_[row].Id);
  }
  if (!text.Ok) {
    port_.ShowError("Ошибка загрузки online-сценария!\r\r" + text.Error);
    return false;
  }
  script_.SetLines(SplitScriptText(text.Value));
  return true;
}

TScriptData TCatalogState::NewScriptData() const {
  TScriptData data;
  data.Author = online_.UserName();
  data.Language = 1049;
  data.Public = true;
  data.Universal = false;
  return data;
}

TScriptData TCatalogState::ScriptData(int row) const {
  const TScriptInfo& info = scripts_.at(row);
  TScriptData data;
  data.Id = info.Id;
  data.Author = info.Author;
  data.Language = info.Language;
  data.Universal = info.Universal;
  data.Public = info.Public;
  data.Title = info.Title;
  data.Description = info.Description;
  return data;
}

std::optional<TFieldError> TCatalogState::CheckScriptData(const TScriptData& data) {
  const std::string title(Trim(data.Title));
  if (title.empty()) return TFieldError{0, "Название сценария должно быть указано обязательно!"};
  TCatalogResult<bool> free;
  {
    TBusyScope busy(port_, "Проверка названия сценария...");
    free = CheckScriptTitle(Client(), data.Id, title);
  }
  if (!free.Ok) {
    port_.ShowError("Ошибка проверки уникальности online-сценария!\r\r" + free.Error);
    return TFieldError{-1, {}};
  }
  if (!free.Value) return TFieldError{0, "Сценарий с таким названием уже существует!\rВыберите другое название."};
  if (Trim(data.Author).empty()) return TFieldError{1, "Имя автора должно быть указано обязательно!"};
  return std::nullopt;
}

int TCatalogState::PublishScript(const TScriptData& given) {
  if (script_.Count() == 0 || !ReadyForServer()) return -1;
  TScriptData data = given;
  data.Title = std::string(Trim(data.Title));
  data.Author = std::string(Trim(data.Author));
  const bool replace = data.Id >= 0;
  const int row = replace ? FindScript(data.Id) : -1;
  if (replace && (row < 0 || !scripts_[row].Editable)) return -1;
  TCatalogResult<int32_t> saved;
  {
    TBusyScope busy(port_, "Сохранение сценария в базе данных...");
    saved = SaveScript(Client(), data, script_.Lines(), false);
  }
  if (!saved.Ok) {
    port_.ShowError("Ошибка сохранения online-сценария в базе данных!\r\r" + saved.Error);
    return -1;
  }
  if (saved.Value <= 0) {
    port_.ShowError("Ошибка публикации online-сценария!\r\rСервер не вернул номер сценария");
    return -1;
  }
  TScriptInfo info = replace ? scripts_[row] : TScriptInfo();
  info.Id = saved.Value;
  info.Author = data.Author;
  info.AuthorMail = online_.UserMail();
  info.Language = data.Language;
  info.Universal = data.Universal;
  info.Public = data.Public;
  info.Title = data.Title;
  info.Description = data.Description;
  info.AppName = CatalogAppName;
  info.AppVersion = KIVRA_VERSION;
  info.Created = Now();
  info.Own = info.Editable = info.Downloadable = true;
  if (replace) scripts_[row] = std::move(info);
  else scripts_.push_back(std::move(info));
  SortScripts(scriptsSort_, scriptsDescending_);
  return FindScript(saved.Value);
}

bool TCatalogState::DeleteScript(int row) {
  if (row < 0 || row >= static_cast<int>(scripts_.size()) || !scripts_[row].Editable) return false;
  if (!port_.Message(TMessageKind::Question, CaptionQuestion,
                     SysFormat("Вы действительно хотите удалить сценарий \"%s\"?", {scripts_[row].Title}), false))
    return false;
  if (!ReadyForServer()) return false;
  TCatalogResult<int32_t> saved;
  {
    TBusyScope busy(port_, "Удаление сценария из базы данных...");
    saved = SaveScript(Client(), ScriptData(row), {}, true);
  }
  if (!saved.Ok) {
    port_.ShowError("Ошибка удаления online-сценария из базы данных!\r\r" + saved.Error);
    return false;
  }
  scripts_.erase(scripts_.begin() + row);
  return true;
}

bool TCatalogState::RateScript(int row, int value, std::string_view notes) {
  if (row < 0 || row >= static_cast<int>(scripts_.size()) || value < -1 || value > 5) return false;
  // Removing a rating needs one of the user's own.
  if (value == 0 && (scripts_[row].YourRating < 1 || scripts_[row].YourRating > 5)) return false;
  if (!ReadyForServer()) return false;
  TCatalogResult<int32_t> rated;
  {
    TBusyScope busy(port_, "Отправка оценки на сервер...");
    rated = ::kivra::RateScript(Client(), scripts_[row].Id, value, notes);
  }
  if (!rated.Ok) {
    port_.ShowError("Ошибка сохранения оценки online-сценария!\r\r" + rated.Error);
    return false;
  }
  LoadScripts();
  return true;
}

std::optional<std::vector<TScriptRate>> TCatalogState::ScriptRates(int row) {
  if (row < 0 || row >= static_cast<int>(scripts_.size()) || !HasCatalog()) return std::nullopt;
  TCatalogResult<std::vector<TScriptRate>> rates;
  {
    TBusyScope busy(port_, "Загрузка списка оценок...");
    rates = LoadScriptRates(Client(), scripts_[row].Id);
  }
  if (!rates.Ok) {
    port_.ShowError("Ошибка просмотра оценок online-сценария!\r\r" + rates.Error);
    return std::nullopt;
  }
  return std::move(rates.Value);
}

}  // namespace kivra

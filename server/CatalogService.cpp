#include "CatalogService.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <tuple>
#include <cstdio>
#include <vector>

#include "core/SortaUtils.h"
#include "online/Catalog.h"
#include "online/CatalogCodec.h"

namespace kivra::server {

namespace {

// The layout of the database; PRAGMA user_version says which one a file has. Version 0 (files
// written before ids were kept from reuse) had the contents inside the systems and scripts rows
// and ids that could come back after the newest item was deleted; it is rebuilt into version 1
// when opened. Contents live in tables of their own so that lists and download counts never read
// or rewrite them.
constexpr int64_t SchemaVersion = 1;

constexpr std::string_view Schema = R"sql(
CREATE TABLE IF NOT EXISTS users (
  id INTEGER PRIMARY KEY,
  mail TEXT NOT NULL UNIQUE,
  client_key TEXT NOT NULL,
  name TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS systems (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  owner INTEGER NOT NULL REFERENCES users(id),
  nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
  title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL, url TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS system_contents (
  id INTEGER PRIMARY KEY REFERENCES systems(id) ON DELETE CASCADE,
  content TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS scripts (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  owner INTEGER NOT NULL REFERENCES users(id),
  author TEXT NOT NULL, lcid INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL, app_guid TEXT NOT NULL,
  uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
  title TEXT NOT NULL, title_key TEXT NOT NULL, descr TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS script_texts (
  id INTEGER PRIMARY KEY REFERENCES scripts(id) ON DELETE CASCADE,
  script TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS scripts_title ON scripts(title_key);
CREATE INDEX IF NOT EXISTS systems_nums ON systems(nums, id);
CREATE TABLE IF NOT EXISTS rates (
  script INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
  user INTEGER NOT NULL REFERENCES users(id),
  rate INTEGER NOT NULL, notes TEXT NOT NULL, created INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL,
  PRIMARY KEY (script, user));
)sql";

// Version 0 to version 1: the systems and scripts tables rebuilt with AUTOINCREMENT ids (every id
// and row kept; the sequences start after the largest id) and their contents moved out.
constexpr std::string_view Upgrade0To1 = R"sql(
CREATE TABLE systems_v1 (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  owner INTEGER NOT NULL REFERENCES users(id),
  nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
  title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL, url TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
INSERT INTO systems_v1 (id, owner, nums, olap, csize, title, descr, author, url, created, downloads, last_download)
  SELECT id, owner, nums, olap, csize, title, descr, author, url, created, downloads, last_download FROM systems;
CREATE TABLE system_contents (
  id INTEGER PRIMARY KEY REFERENCES systems(id) ON DELETE CASCADE,
  content TEXT NOT NULL);
INSERT INTO system_contents (id, content) SELECT id, content FROM systems;
CREATE TABLE scripts_v1 (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  owner INTEGER NOT NULL REFERENCES users(id),
  author TEXT NOT NULL, lcid INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL, app_guid TEXT NOT NULL,
  uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
  title TEXT NOT NULL, title_key TEXT NOT NULL, descr TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
INSERT INTO scripts_v1 (id, owner, author, lcid, app_name, app_ver, app_guid, uniapps, publics, title, title_key,
                        descr, created, downloads, last_download)
  SELECT id, owner, author, lcid, app_name, app_ver, app_guid, uniapps, publics, title, title_key, descr, created,
         downloads, last_download FROM scripts;
CREATE TABLE script_texts (
  id INTEGER PRIMARY KEY REFERENCES scripts(id) ON DELETE CASCADE,
  script TEXT NOT NULL);
INSERT INTO script_texts (id, script) SELECT id, script FROM scripts;
DROP TABLE systems;
DROP TABLE scripts;
ALTER TABLE systems_v1 RENAME TO systems;
ALTER TABLE scripts_v1 RENAME TO scripts;
)sql";

// The log is checkpointed every 256 pages by the writing connection and cut back to 1 MiB when
// it restarts; a log that still grows past 4 MiB (readers kept it busy) is emptied at once.
constexpr int64_t LogCheckpointPages = 256;
constexpr int64_t LogKeepBytes = int64_t{1} << 20;
constexpr int64_t LogTruncateBytes = int64_t{4} << 20;

// Builds "<result><row>...</row>...</result>", every field written straight into one text (the
// full lists are thousands of rows).
class TReplyText {
 public:
  explicit TReplyText(size_t reserve = 4096) {
    text_.reserve(reserve);
    text_ = "<result>";
  }
  TReplyText& Row() {
    CloseRow();
    text_ += "<row>";
    open_ = true;
    return *this;
  }
  // A field written as it is (numbers, dates, Base64).
  TReplyText& Raw(std::string_view tag, std::string_view value) {
    Open(tag);
    text_ += value;
    return Close(tag);
  }
  TReplyText& Int(std::string_view tag, int64_t value) {
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    return Raw(tag, std::string_view(digits, static_cast<size_t>(n)));
  }
  // Plain text with "&", "<" and ">" as entities.
  TReplyText& Text(std::string_view tag, std::string_view value) {
    Open(tag);
    if (value.find_first_of("&<>") == std::string_view::npos) text_ += value;
    else text_ += EntityEncode(value);
    return Close(tag);
  }
  TReplyText& Base64(std::string_view tag, std::string_view value) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Open(tag);
    const size_t at = text_.size();
    text_.resize(at + (value.size() + 2) / 3 * 4);
    char* out = text_.data() + at;
    const auto* in = reinterpret_cast<const unsigned char*>(value.data());
    size_t i = 0;
    for (; i + 3 <= value.size(); i += 3) {
      const uint32_t v = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
      *out++ = alphabet[v >> 18];
      *out++ = alphabet[(v >> 12) & 63];
      *out++ = alphabet[(v >> 6) & 63];
      *out++ = alphabet[v & 63];
    }
    if (const size_t rest = value.size() - i; rest > 0) {
      uint32_t v = uint32_t{in[i]} << 16;
      if (rest == 2) v |= uint32_t{in[i + 1]} << 8;
      *out++ = alphabet[v >> 18];
      *out++ = alphabet[(v >> 12) & 63];
      *out++ = rest == 2 ? alphabet[(v >> 6) & 63] : '=';
      *out++ = '=';
    }
    return Close(tag);
  }
  // "yyyy-mm-dd hh:mm:ss" in UTC; empty for 0 or less.
  TReplyText& Time(std::string_view tag, int64_t seconds) {
    if (seconds <= 0) return Raw(tag, {});
    // Days to the civil date (proleptic Gregorian), as in FormatUtcTime but without the C library.
    const int64_t days = seconds / 86400, rest = seconds % 86400;
    const int64_t z = days + 719468, era = z / 146097, doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    if (year > 9999) return Raw(tag, FormatUtcTime(seconds));
    char t[19];
    auto two = [&t](size_t at, int64_t v) {
      t[at] = static_cast<char>('0' + v / 10);
      t[at + 1] = static_cast<char>('0' + v % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    t[4] = '-';
    two(5, month);
    t[7] = '-';
    two(8, day);
    t[10] = ' ';
    two(11, rest / 3600);
    t[13] = ':';
    two(14, rest / 60 % 60);
    t[16] = ':';
    two(17, rest % 60);
    return Raw(tag, std::string_view(t, sizeof t));
  }
  std::string Finish() {
    CloseRow();
    text_ += "</result>";
    return std::move(text_);
  }

 private:
  void Open(std::string_view tag) {
    text_ += '<';
    text_ += tag;
    text_ += '>';
  }
  TReplyText& Close(std::string_view tag) {
    text_ += "</";
    text_ += tag;
    text_ += '>';
    return *this;
  }
  void CloseRow() {
    if (open_) text_ += "</row>";
    open_ = false;
  }
  std::string text_;
  bool open_ = false;
};

std::string ErrorReply(std::string_view text) { return TReplyText().Row().Text("error", text).Finish(); }

std::string Field(const TFields& f, std::string_view name) {
  const auto it = f.find(name);
  return it == f.end() ? std::string() : it->second;
}

// An escaped text field, unescaped.
std::string TextField(const TFields& f, std::string_view name) { return CUnescape(Field(f, name)); }

// A decimal 32-bit integer: an optional minus and 1..10 digits, nothing else.
bool DecimalInt(std::string_view text, int64_t& value) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return false;
  int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = v;
  return true;
}

bool IntField(const TFields& f, std::string_view name, int64_t& value) {
  const auto it = f.find(name);
  return it != f.end() && DecimalInt(Trim(it->second), value);
}

int64_t IntFieldOr(const TFields& f, std::string_view name, int64_t otherwise) {
  int64_t value = 0;
  return IntField(f, name, value) ? value : otherwise;
}

// The id a request names: a missing or empty field is -1 (none, or a new item); anything else
// must be a decimal 32-bit integer. False for a malformed id.
bool IdField(const TFields& f, std::string_view name, int64_t& id) {
  const auto it = f.find(name);
  if (it == f.end() || Trim(it->second).empty()) {
    id = -1;
    return true;
  }
  return DecimalInt(Trim(it->second), id);
}

constexpr std::string_view BadId = "Недопустимый номер записи";

// Unicode characters of a UTF-8 text (bytes that do not continue a character).
size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// "" when `text` has at most `limit` characters, else the refusal naming the field.
std::string LengthError(std::string_view text, size_t limit, std::string_view caption) {
  if (CharCount(text) <= limit) return {};
  return "Поле «" + std::string(caption) + "» длиннее " + std::to_string(limit) + " символов";
}

// The identity fields every write carries.
std::string ClientFieldsError(const TFields& f) {
  struct TLimit {
    std::string_view Name;
    bool Escaped;
    size_t Limit;
    std::string_view Caption;
  };
  static constexpr TLimit limits[] = {{"cl_name", true, MaxNameChars, "Имя"},
                                      {"cl_mail", true, MaxMailChars, "Электронная почта"},
                                      {"cl_key", false, MaxClientFieldChars, "Ключ клиента"},
                                      {"cl_app", false, MaxClientFieldChars, "Программа"},
                                      {"cl_ver", false, MaxClientFieldChars, "Версия программы"},
                                      {"cl_guid", false, MaxClientFieldChars, "Идентификатор программы"}};
  for (const TLimit& l : limits) {
    const auto it = f.find(l.Name);
    if (it == f.end()) continue;
    std::string error = LengthError(l.Escaped ? CUnescape(it->second) : it->second, l.Limit, l.Caption);
    if (!error.empty()) return error;
  }
  return {};
}

// A title for comparisons without regard to letter case: Latin and Cyrillic capitals (Ё and the
// other letters of U+0400..U+042F included) made small; other characters stay.
std::string TitleKey(std::string_view title) {
  std::string key;
  key.reserve(title.size());
  for (size_t i = 0; i < title.size(); ++i) {
    const auto c = static_cast<unsigned char>(title[i]);
    if (c >= 'A' && c <= 'Z') {
      key += static_cast<char>(c - 'A' + 'a');
    } else if ((c == 0xD0) && i + 1 < title.size()) {
      const auto d = static_cast<unsigned char>(title[i + 1]);
      unsigned code = 0x400 + (d & 0x3F);  // U+0400..U+043F
      if (code <= 0x40F) code += 0x50;
      else if (code <= 0x42F) code += 0x20;
      key += static_cast<char>(0xC0 | (code >> 6));
      key += static_cast<char>(0x80 | (code & 0x3F));
      ++i;
    } else {
      key += static_cast<char>(c);
    }
  }
  return key;
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A system's content: `count` lines, each of five distinct positions 1..nums written with the
// separators of a system file. An empty text after the last line break is allowed.
std::string CheckSystemContent(std::string_view content, int64_t nums, int64_t count) {
  std::vector<std::string> lines = SplitScriptText(content);
  if (static_cast<int64_t>(lines.size()) != count)
    return "Количество комбинаций (" + std::to_string(lines.size()) + ") не равно csize (" + std::to_string(count) +
           ")";
  constexpr std::string_view separators = " *+,-./:;=\\_|~\t";
  for (size_t i = 0; i < lines.size(); ++i) {
    uint64_t positions = 0;
    size_t words = 0;
    bool valid = true;
    std::string_view line = lines[i];
    size_t pos = 0;
    while (pos < line.size()) {
      if (separators.find(line[pos]) != std::string_view::npos) {
        ++pos;
        continue;
      }
      size_t end = pos;
      while (end < line.size() && separators.find(line[end]) == std::string_view::npos) ++end;
      int32_t value = 0;
      ++words;
      if (!StrToIntStrict(line.substr(pos, end - pos), value) || value < 1 || value > nums) valid = false;
      if (valid) positions |= uint64_t{1} << value;
      pos = end;
    }
    if (!valid || words != 5 || __builtin_popcountll(positions) != 5)
      return "Строка " + std::to_string(i + 1) + ": нужны пять разных чисел от 1 до " + std::to_string(nums);
  }
  return {};
}


std::string NotFoundScript(int64_t id) { return "Сценарий #" + std::to_string(id) + " не найден"; }
std::string NotFoundSystem(int64_t id) { return "Система #" + std::to_string(id) + " не найдена"; }

bool TitleTaken(TDatabase& db, std::string_view title, int64_t exceptId) {
  TStatement find = db.Prepare("SELECT 1 FROM scripts WHERE title_key = ?1 AND id <> ?2");
  find.Bind(1, TitleKey(title)).Bind(2, exceptId);
  const bool taken = find.Step();
  find.Reset();
  return taken;
}

// Whether the script exists and the user may see it: public, or the user's own. Someone else's
// private script is answered exactly as a missing one.
bool ScriptVisible(TDatabase& db, int64_t id, int64_t userId) {
  TStatement find = db.Prepare("SELECT 1 FROM scripts WHERE id = ?1 AND (publics = 1 OR owner = ?2)");
  find.Bind(1, id).Bind(2, userId);
  const bool visible = find.Step();
  find.Reset();
  return visible;
}

constexpr std::string_view RequestNames[] = {"sys_getlist.php", "sys_getdata.php", "sys_putdata.php",
                                             "scr_getlist.php", "scr_getdata.php", "scr_setrate.php",
                                             "scr_chktitle.php", "scr_putscript.php", "scr_getrates.php"};

}  // namespace

bool ParseFormFields(std::string_view body, TFields& fields, size_t maxFields) {
  size_t count = 0;
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t end = body.find('&', pos);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view piece = body.substr(pos, end - pos);
    pos = end + 1;
    if (piece.empty()) continue;
    if (++count > maxFields) return false;
    const size_t eq = piece.find('=');
    std::string name = FormDecode(piece.substr(0, eq));
    if (fields.find(name) != fields.end()) continue;
    fields.emplace(std::move(name), eq == std::string_view::npos ? std::string() : FormDecode(piece.substr(eq + 1)));
  }
  return true;
}

// Read connections, one per request that reads at a time, kept for the next requests.
class TCatalogService::TReaders {
 public:
  explicit TReaders(std::string path) : path_(std::move(path)) {}

  class TLease {
   public:
    TLease(TReaders& owner, std::unique_ptr<TDatabase> db) : owner_(owner), db_(std::move(db)) {}
    ~TLease() { owner_.Give(std::move(db_)); }
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;
    TDatabase& operator*() { return *db_; }

   private:
    TReaders& owner_;
    std::unique_ptr<TDatabase> db_;
  };

  TLease Take() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        auto db = std::move(free_.back());
        free_.pop_back();
        return TLease(*this, std::move(db));
      }
    }
    auto db = std::make_unique<TDatabase>(path_);
    db->Exec("PRAGMA query_only = 1");
    return TLease(*this, std::move(db));
  }

 private:
  void Give(std::unique_ptr<TDatabase> db) {
    std::lock_guard lock(mutex_);
    if (free_.size() < 16) free_.push_back(std::move(db));
  }

  std::string path_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<TDatabase>> free_;
};

TCatalogService::TCatalogService(const std::string& dbPath)
    : path_(dbPath), writer_(dbPath), readers_(std::make_unique<TReaders>(dbPath)) {
  writer_.Exec("PRAGMA journal_mode = WAL");
  writer_.Exec("PRAGMA synchronous = NORMAL");
  writer_.Exec("PRAGMA wal_autocheckpoint = " + std::to_string(LogCheckpointPages));
  writer_.Exec("PRAGMA journal_size_limit = " + std::to_string(LogKeepBytes));
  const int64_t version = writer_.QueryInt("PRAGMA user_version");
  if (version > SchemaVersion) throw TDbError("база данных записана более новой версией kivra-server");
  const bool old = version == 0 && writer_.QueryInt("SELECT COUNT(*) FROM sqlite_master WHERE name = 'systems'") > 0;
  if (old) {
    // Foreign keys are off while the tables are rebuilt (dropping the old scripts table must not
    // take the ratings with it) and checked before the change is committed.
    writer_.Exec("PRAGMA foreign_keys = OFF");
    TTransaction transaction(writer_);
    writer_.Exec(Upgrade0To1);
    writer_.Exec(Schema);
    if (writer_.QueryInt("SELECT COUNT(*) FROM pragma_foreign_key_check") != 0)
      throw TDbError("нарушены связи между таблицами");
    writer_.Exec("PRAGMA user_version = " + std::to_string(SchemaVersion));
    transaction.Commit();
  } else {
    TTransaction transaction(writer_);
    writer_.Exec(Schema);
    writer_.Exec("PRAGMA user_version = " + std::to_string(SchemaVersion));
    transaction.Commit();
  }
  writer_.Exec("PRAGMA foreign_keys = ON");
}

TCatalogService::~TCatalogService() = default;

bool TCatalogService::HandleForm(std::string_view script, std::string_view body, int64_t now, std::string& reply) {
  if (std::find(std::begin(RequestNames), std::end(RequestNames), script) == std::end(RequestNames)) return false;
  TFields fields;
  if (!ParseFormFields(body, fields)) {
    reply = ErrorReply("В запросе больше " + std::to_string(MaxFormFields) + " полей");
    return true;
  }
  return Handle(script, fields, now, reply);
}

bool TCatalogService::Handle(std::string_view script, const TFields& fields, int64_t now, std::string& reply) {
  try {
    if (script == "sys_getlist.php") reply = SystemsList(fields);
    else if (script == "sys_getdata.php") reply = SystemData(fields, now);
    else if (script == "sys_putdata.php") reply = SystemPut(fields, now);
    else if (script == "scr_getlist.php") reply = ScriptsList(fields, now);
    else if (script == "scr_getdata.php") reply = ScriptData(fields, now);
    else if (script == "scr_setrate.php") reply = ScriptRate(fields, now);
    else if (script == "scr_chktitle.php") reply = ScriptTitle(fields);
    else if (script == "scr_putscript.php") reply = ScriptPut(fields, now);
    else if (script == "scr_getrates.php") reply = ScriptRates(fields);
    else return false;
  } catch (const TDbError& e) {
    reply = ErrorReply(std::string("Ошибка базы данных: ") + e.what());
  }
  return true;
}

void TCatalogService::AfterWrite() {
  struct stat info {};
  if (stat((path_ + "-wal").c_str(), &info) != 0 || info.st_size <= LogTruncateBytes) return;
  sqlite3_wal_checkpoint_v2(writer_.Handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

// The user of a request: found by e-mail (letter case ignored). The first request that writes
// with an e-mail binds it to its client key; later writes with another key are refused. Reads
// with an unknown or mismatched identity see what nobody in particular sees.
TCatalogService::TUser TCatalogService::Identify(TDatabase& db, const TFields& f, bool write) {
  TUser user;
  const std::string mail = LowerAscii(std::string(Trim(TextField(f, "cl_mail"))));
  const std::string key = Field(f, "cl_key");
  const std::string name(Trim(TextField(f, "cl_name")));
  if (mail.empty() || key.empty()) {
    if (write) user.Error = "Не указаны адрес электронной почты или ключ клиента";
    return user;
  }
  TStatement find = db.Prepare("SELECT id, client_key FROM users WHERE mail = ?1");
  find.Bind(1, mail);
  if (find.Step()) {
    const bool sameKey = find.TextView(1) == key;
    const int64_t id = find.Int(0);
    find.Reset();
    if (!sameKey) {
      if (write) user.Error = "Адрес " + mail + " принадлежит другому пользователю";
      return user;
    }
    user.Id = id;
    if (write && !name.empty())
      db.Prepare("UPDATE users SET name = ?1 WHERE id = ?2").Bind(1, name).Bind(2, user.Id).Step();
    return user;
  }
  if (!write) return user;
  db.Prepare("INSERT INTO users (mail, client_key, name) VALUES (?1, ?2, ?3)")
      .Bind(1, mail)
      .Bind(2, key)
      .Bind(3, name)
      .Step();
  user.Id = db.LastInsertId();
  return user;
}

// The reply is kept and given again until a system changes: a download, which changes a
// counter, makes the next list build it anew.
std::string TCatalogService::SystemsList(const TFields& f) {
  const int64_t maxNums = IntFieldOr(f, "maxnums", 45);
  const bool keep = maxNums >= 0 && maxNums <= 45;
  // Read before the database: a change committed later is newer than the version kept.
  const uint64_t version = systemsVersion_.load();
  if (keep) {
    std::lock_guard lock(listsMutex_);
    if (const auto it = lists_.find(maxNums); it != lists_.end() && it->second.Version == version)
      return *it->second.Text;
  }
  std::string text;
  {
    auto reader = readers_->Take();
    TStatement rows = (*reader).Prepare(
        "SELECT s.id, s.nums, s.olap, s.csize, s.title, s.descr, s.author, u.mail, s.url, s.created, "
        "s.last_download, s.downloads FROM systems s JOIN users u ON u.id = s.owner "
        "WHERE s.nums <= ?1 ORDER BY s.nums, s.id");
    rows.Bind(1, maxNums);
    TReplyText reply(1 << 16);
    while (rows.Step()) {
      reply.Row()
          .Int("id", rows.Int(0))
          .Int("nums", rows.Int(1))
          .Int("olap", rows.Int(2))
          .Int("csize", rows.Int(3))
          .Base64("title", rows.TextView(4))
          .Base64("descr", rows.TextView(5))
          .Text("author", rows.TextView(6))
          .Text("cl_mail", rows.TextView(7))
          .Text("url", rows.TextView(8))
          .Time("created", rows.Int(9))
          .Time("last_download", rows.Int(10))
          .Int("downloads", rows.Int(11));
    }
    text = reply.Finish();
  }
  if (keep) {
    auto kept = std::make_shared<const std::string>(text);
    std::lock_guard lock(listsMutex_);
    TCachedList& entry = lists_[maxNums];
    if (entry.Version <= version) entry = {version, std::move(kept)};
  }
  return text;
}

std::string TCatalogService::SystemData(const TFields& f, int64_t now) {
  int64_t id = -1;
  if (!IdField(f, "sys_id", id)) return ErrorReply(BadId);
  std::string content;
  {
    auto reader = readers_->Take();
    TStatement row = (*reader).Prepare("SELECT content FROM system_contents WHERE id = ?1");
    row.Bind(1, id);
    if (!row.Step()) return ErrorReply(NotFoundSystem(id));
    content = row.Text(0);
  }
  {
    std::lock_guard lock(writeMutex_);
    writer_.Prepare("UPDATE systems SET downloads = downloads + 1, last_download = ?1 WHERE id = ?2")
        .Bind(1, now)
        .Bind(2, id)
        .Step();
    SystemsChanged();
    AfterWrite();
  }
  return TReplyText(content.size() * 4 / 3 + 64).Row().Base64("clist", content).Finish();
}

std::string TCatalogService::SystemPut(const TFields& f, int64_t now) {
  if (std::string error = ClientFieldsError(f); !error.empty()) return ErrorReply(error);
  int64_t id = -1;
  if (!IdField(f, "sys_id", id)) return ErrorReply(BadId);
  const bool remove = Field(f, "del_mode") == "1";
  int64_t nums = 0, olap = 0, clen = 0, csize = 0;
  std::string title, descr, url, content;
  if (!remove) {
    if (!IntField(f, "nums", nums) || nums < 6 || nums > 45) return ErrorReply("Недопустимое количество чисел");
    if (!IntField(f, "olap", olap) || olap < 0 || olap > 4) return ErrorReply("Недопустимый размер блока");
    if (!IntField(f, "clen", clen) || clen != 5) return ErrorReply("Недопустимая длина комбинации");
    if (!IntField(f, "csize", csize) || csize < 1) return ErrorReply("Недопустимое количество комбинаций");
    title = Trim(TextField(f, "title"));
    if (title.empty()) return ErrorReply("Название системы не указано");
    descr = TextField(f, "descr");
    url = Field(f, "url");
    for (const auto& [text, limit, caption] :
         {std::tuple<const std::string&, size_t, std::string_view>{title, MaxTitleChars, "Название системы"},
          {descr, MaxDescriptionChars, "Описание системы"},
          {url, MaxUrlChars, "Ссылка"}})
      if (std::string error = LengthError(text, limit, caption); !error.empty()) return ErrorReply(error);
    const std::string& clist = Field(f, "clist");
    if (clist.size() > (MaxSystemBytes * 2 + 2) / 3 * 4 + 4096)
      return ErrorReply("Содержимое системы больше " + std::to_string(MaxSystemBytes >> 20) + " МиБ");
    std::string escaped;
    if (!Base64Decode(clist, escaped)) return ErrorReply("Содержимое системы не в Base64");
    content = CUnescape(escaped);
    if (content.size() > MaxSystemBytes)
      return ErrorReply("Содержимое системы больше " + std::to_string(MaxSystemBytes >> 20) + " МиБ");
    if (const std::string error = CheckSystemContent(content, nums, csize); !error.empty()) return ErrorReply(error);
  }
  const std::string author(Trim(TextField(f, "cl_name")));

  std::lock_guard lock(writeMutex_);
  TTransaction transaction(writer_);
  const TUser user = Identify(writer_, f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  if (id >= 0) {
    TStatement find = writer_.Prepare("SELECT owner FROM systems WHERE id = ?1");
    find.Bind(1, id);
    if (!find.Step()) return ErrorReply(NotFoundSystem(id));
    const int64_t owner = find.Int(0);
    find.Reset();
    if (owner != user.Id) return ErrorReply("Изменять и удалять систему может только её автор");
  }
  if (remove) {
    if (id < 0) return ErrorReply("Система не указана");
    writer_.Prepare("DELETE FROM system_contents WHERE id = ?1").Bind(1, id).Step();
    writer_.Prepare("DELETE FROM systems WHERE id = ?1").Bind(1, id).Step();
    transaction.Commit();
    SystemsChanged();
    AfterWrite();
    return TReplyText().Row().Int("id_systems", 0).Finish();
  }
  int64_t result = id;
  if (id < 0) {
    writer_
        .Prepare(
            "INSERT INTO systems (owner, nums, olap, csize, title, descr, author, url, created) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)")
        .Bind(1, user.Id)
        .Bind(2, nums)
        .Bind(3, olap)
        .Bind(4, csize)
        .Bind(5, title)
        .Bind(6, descr)
        .Bind(7, author)
        .Bind(8, url)
        .Bind(9, now)
        .Step();
    result = writer_.LastInsertId();
  } else {
    writer_
        .Prepare(
            "UPDATE systems SET nums = ?1, olap = ?2, csize = ?3, title = ?4, descr = ?5, author = ?6, url = ?7 "
            "WHERE id = ?8")
        .Bind(1, nums)
        .Bind(2, olap)
        .Bind(3, csize)
        .Bind(4, title)
        .Bind(5, descr)
        .Bind(6, author)
        .Bind(7, url)
        .Bind(8, id)
        .Step();
  }
  writer_.Prepare("INSERT OR REPLACE INTO system_contents (id, content) VALUES (?1, ?2)")
      .Bind(1, result)
      .Bind(2, content)
      .Step();
  transaction.Commit();
  SystemsChanged();
  AfterWrite();
  return TReplyText().Row().Int("id_systems", result).Finish();
}

std::string TCatalogService::ScriptsList(const TFields& f, int64_t now) {
  auto reader = readers_->Take();
  const TUser user = Identify(*reader, f, false);
  // The filters by id: -1 hidden, 0 all with hidden, 1 all but hidden, 2 own, 3 public,
  // 4 with an own rating, 5 without one, 6 published in the last 24 hours.
  static constexpr std::string_view filters[] = {"you = -1",
                                                 "1",
                                                 "you <> -1",
                                                 "s.owner = ?1",
                                                 "s.publics = 1 AND you <> -1",
                                                 "you > 0",
                                                 "you = 0",
                                                 "s.created >= ?2 AND you <> -1"};
  int64_t filter = IntFieldOr(f, "fltid", 1);
  if (filter < -1 || filter > 6) filter = 1;
  std::string sql =
      "SELECT * FROM (SELECT s.id, s.app_name, s.app_ver, s.author, u.mail, s.lcid, s.uniapps, s.publics, "
      "s.created, s.last_download, g.average, COALESCE(g.count, 0), COALESCE(mine.rate, 0) AS you, "
      "s.downloads, s.title, s.descr, s.app_guid, s.owner FROM scripts s JOIN users u ON u.id = s.owner "
      "LEFT JOIN (SELECT script, AVG(rate) AS average, COUNT(*) AS count FROM rates WHERE rate > 0 "
      "GROUP BY script) g ON g.script = s.id "
      "LEFT JOIN rates mine ON mine.script = s.id AND mine.user = ?1 "
      "WHERE s.publics = 1 OR s.owner = ?1) AS s WHERE ";
  sql += filters[filter + 1];
  sql += " ORDER BY s.id";
  TStatement rows = (*reader).Prepare(sql);
  rows.Bind(1, user.Id);
  if (filter == 6) rows.Bind(2, now - 86400);
  TReplyText reply(1 << 16);
  char average[32];
  while (rows.Step()) {
    std::snprintf(average, sizeof average, "%.4f", rows.IsNull(10) ? 0.0 : rows.Float(10));
    reply.Row()
        .Int("id", rows.Int(0))
        .Text("app_name", rows.TextView(1))
        .Text("app_ver", rows.TextView(2))
        .Text("key_cl_name", rows.TextView(3))
        .Text("key_cl_mail", rows.TextView(4))
        .Int("key_cl_lcid", rows.Int(5))
        .Int("uniapps", rows.Int(6))
        .Int("publics", rows.Int(7))
        .Time("created", rows.Int(8))
        .Time("last_download", rows.Int(9))
        .Raw("rating_avg", average)
        .Int("rating_cnt", rows.Int(11))
        .Int("rating_you", rows.Int(12))
        .Int("downloads", rows.Int(13))
        .Base64("title", rows.TextView(14))
        .Base64("descr", rows.TextView(15))
        .Text("app_guid", rows.TextView(16));
  }
  return reply.Finish();
}

std::string TCatalogService::ScriptData(const TFields& f, int64_t now) {
  int64_t id = -1;
  if (!IdField(f, "scr_id", id)) return ErrorReply(BadId);
  std::string script;
  {
    auto reader = readers_->Take();
    const TUser user = Identify(*reader, f, false);
    TStatement row = (*reader).Prepare(
        "SELECT t.script FROM scripts s JOIN script_texts t ON t.id = s.id "
        "WHERE s.id = ?1 AND (s.publics = 1 OR s.owner = ?2)");
    row.Bind(1, id).Bind(2, user.Id);
    if (!row.Step()) return ErrorReply(NotFoundScript(id));
    script = row.Text(0);
  }
  {
    std::lock_guard lock(writeMutex_);
    writer_.Prepare("UPDATE scripts SET downloads = downloads + 1, last_download = ?1 WHERE id = ?2")
        .Bind(1, now)
        .Bind(2, id)
        .Step();
    AfterWrite();
  }
  return TReplyText(script.size() * 4 / 3 + 64).Row().Base64("script", script).Finish();
}

std::string TCatalogService::ScriptRate(const TFields& f, int64_t now) {
  if (std::string error = ClientFieldsError(f); !error.empty()) return ErrorReply(error);
  int64_t id = -1;
  if (!IdField(f, "scr_id", id)) return ErrorReply(BadId);
  int64_t value = 0;
  if (!IntField(f, "rate_value", value) || value < -1 || value > 5) return ErrorReply("Недопустимая оценка");
  const std::string notes = TextField(f, "rate_notes");
  if (std::string error = LengthError(notes, MaxNotesChars, "Комментарий"); !error.empty()) return ErrorReply(error);
  std::lock_guard lock(writeMutex_);
  TTransaction transaction(writer_);
  const TUser user = Identify(writer_, f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  if (!ScriptVisible(writer_, id, user.Id)) return ErrorReply(NotFoundScript(id));
  if (value == 0) {
    writer_.Prepare("DELETE FROM rates WHERE script = ?1 AND user = ?2").Bind(1, id).Bind(2, user.Id).Step();
  } else {
    writer_
        .Prepare(
            "INSERT OR REPLACE INTO rates (script, user, rate, notes, created, app_name, app_ver) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
        .Bind(1, id)
        .Bind(2, user.Id)
        .Bind(3, value)
        .Bind(4, notes)
        .Bind(5, now)
        .Bind(6, Field(f, "cl_app"))
        .Bind(7, Field(f, "cl_ver"))
        .Step();
  }
  transaction.Commit();
  AfterWrite();
  return TReplyText().Row().Int("res_code", 0).Finish();
}

std::string TCatalogService::ScriptTitle(const TFields& f) {
  int64_t id = -1;
  if (!IdField(f, "scr_id", id)) return ErrorReply(BadId);
  const std::string title(Trim(TextField(f, "scr_title")));
  auto reader = readers_->Take();
  return TReplyText().Row().Int("ret_code", TitleTaken(*reader, title, id) ? 1 : 0).Finish();
}

std::string TCatalogService::ScriptPut(const TFields& f, int64_t now) {
  if (std::string error = ClientFieldsError(f); !error.empty()) return ErrorReply(error);
  int64_t id = -1;
  if (!IdField(f, "scr_id", id)) return ErrorReply(BadId);
  const bool remove = Field(f, "del_mode") == "1";
  std::string title, descr, script;
  if (!remove) {
    title = Trim(TextField(f, "scr_title"));
    if (title.empty()) return ErrorReply("Название сценария не указано");
    descr = TextField(f, "scr_descr");
    for (const auto& [text, limit, caption] :
         {std::tuple<const std::string&, size_t, std::string_view>{title, MaxTitleChars, "Название сценария"},
          {descr, MaxDescriptionChars, "Описание сценария"}})
      if (std::string error = LengthError(text, limit, caption); !error.empty()) return ErrorReply(error);
    script = TextField(f, "scr_script");
    if (script.empty()) return ErrorReply("Текст сценария пуст");
    if (script.size() > MaxScriptBytes)
      return ErrorReply("Текст сценария больше " + std::to_string(MaxScriptBytes >> 20) + " МиБ");
  }
  const std::string author(Trim(TextField(f, "cl_name")));
  const int64_t lcid = IntFieldOr(f, "cl_lcid", 0);
  const int64_t universal = Field(f, "scr_uniapps") == "1" ? 1 : 0;
  const int64_t publics = Field(f, "scr_publics") == "1" ? 1 : 0;

  std::lock_guard lock(writeMutex_);
  TTransaction transaction(writer_);
  const TUser user = Identify(writer_, f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  if (id >= 0) {
    TStatement find = writer_.Prepare("SELECT owner, publics FROM scripts WHERE id = ?1");
    find.Bind(1, id);
    if (!find.Step()) return ErrorReply(NotFoundScript(id));
    const int64_t owner = find.Int(0);
    const bool visible = find.Int(1) == 1 || owner == user.Id;
    find.Reset();
    if (!visible) return ErrorReply(NotFoundScript(id));
    if (owner != user.Id) return ErrorReply("Изменять и удалять сценарий может только его автор");
  }
  if (remove) {
    if (id < 0) return ErrorReply("Сценарий не указан");
    writer_.Prepare("DELETE FROM rates WHERE script = ?1").Bind(1, id).Step();
    writer_.Prepare("DELETE FROM script_texts WHERE id = ?1").Bind(1, id).Step();
    writer_.Prepare("DELETE FROM scripts WHERE id = ?1").Bind(1, id).Step();
    transaction.Commit();
    AfterWrite();
    return TReplyText().Row().Int("id_scripts", 0).Finish();
  }
  if (TitleTaken(writer_, title, id)) return ErrorReply("Сценарий с таким названием уже существует");
  TStatement write = writer_.Prepare(
      id < 0 ? "INSERT INTO scripts (author, lcid, app_name, app_ver, app_guid, uniapps, publics, title, descr, "
               "created, title_key, owner) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"
             : "UPDATE scripts SET author = ?1, lcid = ?2, app_name = ?3, app_ver = ?4, app_guid = ?5, uniapps = ?6, "
               "publics = ?7, title = ?8, descr = ?9, created = ?10, title_key = ?11 WHERE id = ?12 AND "
               "owner = ?13");
  write.Bind(1, author)
      .Bind(2, lcid)
      .Bind(3, Field(f, "cl_app"))
      .Bind(4, Field(f, "cl_ver"))
      .Bind(5, Field(f, "cl_guid"))
      .Bind(6, universal)
      .Bind(7, publics)
      .Bind(8, title)
      .Bind(9, descr)
      .Bind(10, now)
      .Bind(11, TitleKey(title));
  if (id < 0) {
    write.Bind(12, user.Id).Step();
  } else {
    write.Bind(12, id).Bind(13, user.Id).Step();
  }
  const int64_t result = id < 0 ? writer_.LastInsertId() : id;
  writer_.Prepare("INSERT OR REPLACE INTO script_texts (id, script) VALUES (?1, ?2)")
      .Bind(1, result)
      .Bind(2, script)
      .Step();
  transaction.Commit();
  AfterWrite();
  return TReplyText().Row().Int("id_scripts", result).Finish();
}

std::string TCatalogService::ScriptRates(const TFields& f) {
  int64_t id = -1;
  if (!IdField(f, "scr_id", id)) return ErrorReply(BadId);
  auto reader = readers_->Take();
  const TUser user = Identify(*reader, f, false);
  if (!ScriptVisible(*reader, id, user.Id)) return ErrorReply(NotFoundScript(id));
  TStatement rows = (*reader).Prepare(
      "SELECT u.name, r.rate, r.created, r.app_name, r.app_ver, r.notes FROM rates r JOIN users u ON u.id = r.user "
      "WHERE r.script = ?1 AND r.rate > 0 ORDER BY r.created DESC, u.name");
  rows.Bind(1, id);
  TReplyText reply;
  while (rows.Step()) {
    reply.Row()
        .Text("key_cl_name", rows.TextView(0))
        .Int("rate", rows.Int(1))
        .Time("created", rows.Int(2))
        .Text("app_name", rows.TextView(3))
        .Text("app_ver", rows.TextView(4))
        .Text("notes", rows.TextView(5));
  }
  return reply.Finish();
}

}  // namespace kivra::server

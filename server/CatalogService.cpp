#include "CatalogService.h"

#include <cstdio>
#include <set>
#include <vector>

#include "core/SortaUtils.h"
#include "online/Catalog.h"
#include "online/CatalogCodec.h"

namespace kivra::server {

namespace {

constexpr std::string_view Schema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
PRAGMA foreign_keys = ON;
CREATE TABLE IF NOT EXISTS users (
  id INTEGER PRIMARY KEY,
  mail TEXT NOT NULL UNIQUE,
  client_key TEXT NOT NULL,
  name TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS systems (
  id INTEGER PRIMARY KEY,
  owner INTEGER NOT NULL REFERENCES users(id),
  nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
  title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL, url TEXT NOT NULL,
  content TEXT NOT NULL, created INTEGER NOT NULL,
  downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS scripts (
  id INTEGER PRIMARY KEY,
  owner INTEGER NOT NULL REFERENCES users(id),
  author TEXT NOT NULL, lcid INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL, app_guid TEXT NOT NULL,
  uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
  title TEXT NOT NULL, title_key TEXT NOT NULL, descr TEXT NOT NULL, script TEXT NOT NULL,
  created INTEGER NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS scripts_title ON scripts(title_key);
CREATE TABLE IF NOT EXISTS rates (
  script INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
  user INTEGER NOT NULL REFERENCES users(id),
  rate INTEGER NOT NULL, notes TEXT NOT NULL, created INTEGER NOT NULL,
  app_name TEXT NOT NULL, app_ver TEXT NOT NULL,
  PRIMARY KEY (script, user));
)sql";

// Builds "<result><row>...</row>...</result>".
class TReplyText {
 public:
  TReplyText() {
    text_.reserve(4096);
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
    text_.append("<").append(tag).append(">").append(value).append("</").append(tag).append(">");
    return *this;
  }
  TReplyText& Int(std::string_view tag, int64_t value) { return Raw(tag, std::to_string(value)); }
  TReplyText& Text(std::string_view tag, std::string_view value) { return Raw(tag, EntityEncode(value)); }
  TReplyText& Base64(std::string_view tag, std::string_view value) { return Raw(tag, Base64Encode(value)); }
  TReplyText& Time(std::string_view tag, int64_t seconds) {
    return Raw(tag, seconds > 0 ? FormatUtcTime(seconds) : std::string());
  }
  std::string Finish() {
    CloseRow();
    text_ += "</result>";
    return std::move(text_);
  }

 private:
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

bool IntField(const TFields& f, std::string_view name, int64_t& value) {
  int32_t v = 0;
  if (!StrToIntStrict(Trim(Field(f, name)), v)) return false;
  value = v;
  return true;
}

int64_t IntFieldOr(const TFields& f, std::string_view name, int64_t otherwise) {
  int64_t value = 0;
  return IntField(f, name, value) ? value : otherwise;
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
    std::set<int32_t> positions;
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
      positions.insert(value);
      pos = end;
    }
    if (!valid || words != 5 || positions.size() != 5)
      return "Строка " + std::to_string(i + 1) + ": нужны пять разных чисел от 1 до " + std::to_string(nums);
  }
  return {};
}

}  // namespace

TCatalogService::TCatalogService(const std::string& dbPath) : db_(dbPath) { db_.Exec(Schema); }

bool TCatalogService::Handle(std::string_view script, const TFields& fields, int64_t now, std::string& reply) {
  std::lock_guard lock(mutex_);
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

// The user of a request: found by e-mail (letter case ignored). The first request that writes
// with an e-mail binds it to its client key; later writes with another key are refused. Reads
// with an unknown or mismatched identity see what nobody in particular sees.
TCatalogService::TUser TCatalogService::Identify(const TFields& f, bool write) {
  TUser user;
  const std::string mail = LowerAscii(std::string(Trim(TextField(f, "cl_mail"))));
  const std::string key = Field(f, "cl_key");
  const std::string name(Trim(TextField(f, "cl_name")));
  if (mail.empty() || key.empty()) {
    if (write) user.Error = "Не указаны адрес электронной почты или ключ клиента";
    return user;
  }
  TStatement find = db_.Prepare("SELECT id, client_key FROM users WHERE mail = ?1");
  find.Bind(1, mail);
  if (find.Step()) {
    if (find.Text(1) != key) {
      if (write) user.Error = "Адрес " + mail + " принадлежит другому пользователю";
      return user;
    }
    user.Id = find.Int(0);
    if (write && !name.empty())
      db_.Prepare("UPDATE users SET name = ?1 WHERE id = ?2").Bind(1, name).Bind(2, user.Id).Step();
    return user;
  }
  if (!write) return user;
  db_.Prepare("INSERT INTO users (mail, client_key, name) VALUES (?1, ?2, ?3)")
      .Bind(1, mail)
      .Bind(2, key)
      .Bind(3, name)
      .Step();
  user.Id = db_.LastInsertId();
  return user;
}

std::string TCatalogService::SystemsList(const TFields& f) {
  const int64_t maxNums = IntFieldOr(f, "maxnums", 45);
  TStatement rows = db_.Prepare(
      "SELECT s.id, s.nums, s.olap, s.csize, s.title, s.descr, s.author, u.mail, s.url, s.created, "
      "s.last_download, s.downloads FROM systems s JOIN users u ON u.id = s.owner "
      "WHERE s.nums <= ?1 ORDER BY s.nums, s.id");
  rows.Bind(1, maxNums);
  TReplyText reply;
  while (rows.Step()) {
    reply.Row()
        .Int("id", rows.Int(0))
        .Int("nums", rows.Int(1))
        .Int("olap", rows.Int(2))
        .Int("csize", rows.Int(3))
        .Base64("title", rows.Text(4))
        .Base64("descr", rows.Text(5))
        .Text("author", rows.Text(6))
        .Text("cl_mail", rows.Text(7))
        .Text("url", rows.Text(8))
        .Time("created", rows.Int(9))
        .Time("last_download", rows.Int(10))
        .Int("downloads", rows.Int(11));
  }
  return reply.Finish();
}

std::string TCatalogService::SystemData(const TFields& f, int64_t now) {
  const int64_t id = IntFieldOr(f, "sys_id", -1);
  TStatement row = db_.Prepare("SELECT content FROM systems WHERE id = ?1");
  row.Bind(1, id);
  if (!row.Step()) return ErrorReply("Система #" + std::to_string(id) + " не найдена");
  const std::string content = row.Text(0);
  db_.Prepare("UPDATE systems SET downloads = downloads + 1, last_download = ?1 WHERE id = ?2")
      .Bind(1, now)
      .Bind(2, id)
      .Step();
  return TReplyText().Row().Base64("clist", content).Finish();
}

std::string TCatalogService::SystemPut(const TFields& f, int64_t now) {
  TTransaction transaction(db_);
  const TUser user = Identify(f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  const int64_t id = IntFieldOr(f, "sys_id", -1);
  int64_t owner = 0;
  if (id >= 0) {
    TStatement find = db_.Prepare("SELECT owner FROM systems WHERE id = ?1");
    find.Bind(1, id);
    if (!find.Step()) return ErrorReply("Система #" + std::to_string(id) + " не найдена");
    owner = find.Int(0);
    if (owner != user.Id) return ErrorReply("Изменять и удалять систему может только её автор");
  }
  if (Field(f, "del_mode") == "1") {
    if (id < 0) return ErrorReply("Система не указана");
    db_.Prepare("DELETE FROM systems WHERE id = ?1").Bind(1, id).Step();
    transaction.Commit();
    return TReplyText().Row().Int("id_systems", 0).Finish();
  }
  int64_t nums = 0, olap = 0, clen = 0, csize = 0;
  if (!IntField(f, "nums", nums) || nums < 6 || nums > 45) return ErrorReply("Недопустимое количество чисел");
  if (!IntField(f, "olap", olap) || olap < 0 || olap > 4) return ErrorReply("Недопустимый размер блока");
  if (!IntField(f, "clen", clen) || clen != 5) return ErrorReply("Недопустимая длина комбинации");
  if (!IntField(f, "csize", csize) || csize < 1) return ErrorReply("Недопустимое количество комбинаций");
  const std::string title(Trim(TextField(f, "title")));
  if (title.empty()) return ErrorReply("Название системы не указано");
  std::string escaped;
  if (!Base64Decode(Field(f, "clist"), escaped)) return ErrorReply("Содержимое системы не в Base64");
  const std::string content = CUnescape(escaped);
  if (const std::string error = CheckSystemContent(content, nums, csize); !error.empty()) return ErrorReply(error);
  const std::string descr = TextField(f, "descr");
  const std::string author(Trim(TextField(f, "cl_name")));
  const std::string url = Field(f, "url");
  int64_t result = id;
  if (id < 0) {
    db_.Prepare(
           "INSERT INTO systems (owner, nums, olap, csize, title, descr, author, url, content, created) "
           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)")
        .Bind(1, user.Id)
        .Bind(2, nums)
        .Bind(3, olap)
        .Bind(4, csize)
        .Bind(5, title)
        .Bind(6, descr)
        .Bind(7, author)
        .Bind(8, url)
        .Bind(9, content)
        .Bind(10, now)
        .Step();
    result = db_.LastInsertId();
  } else {
    db_.Prepare(
           "UPDATE systems SET nums = ?1, olap = ?2, csize = ?3, title = ?4, descr = ?5, author = ?6, url = ?7, "
           "content = ?8 WHERE id = ?9")
        .Bind(1, nums)
        .Bind(2, olap)
        .Bind(3, csize)
        .Bind(4, title)
        .Bind(5, descr)
        .Bind(6, author)
        .Bind(7, url)
        .Bind(8, content)
        .Bind(9, id)
        .Step();
  }
  transaction.Commit();
  return TReplyText().Row().Int("id_systems", result).Finish();
}

std::string TCatalogService::ScriptsList(const TFields& f, int64_t now) {
  const TUser user = Identify(f, false);
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
  TStatement rows = db_.Prepare(sql);
  rows.Bind(1, user.Id);
  if (filter == 6) rows.Bind(2, now - 86400);
  TReplyText reply;
  char average[32];
  while (rows.Step()) {
    std::snprintf(average, sizeof average, "%.4f", rows.IsNull(10) ? 0.0 : rows.Float(10));
    reply.Row()
        .Int("id", rows.Int(0))
        .Text("app_name", rows.Text(1))
        .Text("app_ver", rows.Text(2))
        .Text("key_cl_name", rows.Text(3))
        .Text("key_cl_mail", rows.Text(4))
        .Int("key_cl_lcid", rows.Int(5))
        .Int("uniapps", rows.Int(6))
        .Int("publics", rows.Int(7))
        .Time("created", rows.Int(8))
        .Time("last_download", rows.Int(9))
        .Raw("rating_avg", average)
        .Int("rating_cnt", rows.Int(11))
        .Int("rating_you", rows.Int(12))
        .Int("downloads", rows.Int(13))
        .Base64("title", rows.Text(14))
        .Base64("descr", rows.Text(15))
        .Text("app_guid", rows.Text(16));
  }
  return reply.Finish();
}

std::string TCatalogService::ScriptData(const TFields& f, int64_t now) {
  const int64_t id = IntFieldOr(f, "scr_id", -1);
  TStatement row = db_.Prepare("SELECT script FROM scripts WHERE id = ?1");
  row.Bind(1, id);
  if (!row.Step()) return ErrorReply("Сценарий #" + std::to_string(id) + " не найден");
  const std::string script = row.Text(0);
  db_.Prepare("UPDATE scripts SET downloads = downloads + 1, last_download = ?1 WHERE id = ?2")
      .Bind(1, now)
      .Bind(2, id)
      .Step();
  return TReplyText().Row().Base64("script", script).Finish();
}

std::string TCatalogService::ScriptRate(const TFields& f, int64_t now) {
  TTransaction transaction(db_);
  const TUser user = Identify(f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  const int64_t id = IntFieldOr(f, "scr_id", -1);
  int64_t value = 0;
  if (!IntField(f, "rate_value", value) || value < -1 || value > 5) return ErrorReply("Недопустимая оценка");
  TStatement find = db_.Prepare("SELECT 1 FROM scripts WHERE id = ?1");
  find.Bind(1, id);
  if (!find.Step()) return ErrorReply("Сценарий #" + std::to_string(id) + " не найден");
  if (value == 0) {
    db_.Prepare("DELETE FROM rates WHERE script = ?1 AND user = ?2").Bind(1, id).Bind(2, user.Id).Step();
  } else {
    db_.Prepare(
           "INSERT OR REPLACE INTO rates (script, user, rate, notes, created, app_name, app_ver) "
           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
        .Bind(1, id)
        .Bind(2, user.Id)
        .Bind(3, value)
        .Bind(4, TextField(f, "rate_notes"))
        .Bind(5, now)
        .Bind(6, Field(f, "cl_app"))
        .Bind(7, Field(f, "cl_ver"))
        .Step();
  }
  transaction.Commit();
  return TReplyText().Row().Int("res_code", 0).Finish();
}

bool TCatalogService::TitleTaken(std::string_view title, int64_t exceptId) {
  TStatement find = db_.Prepare("SELECT 1 FROM scripts WHERE title_key = ?1 AND id <> ?2");
  find.Bind(1, TitleKey(title)).Bind(2, exceptId);
  return find.Step();
}

std::string TCatalogService::ScriptTitle(const TFields& f) {
  const std::string title(Trim(TextField(f, "scr_title")));
  return TReplyText().Row().Int("ret_code", TitleTaken(title, IntFieldOr(f, "scr_id", -1)) ? 1 : 0).Finish();
}

std::string TCatalogService::ScriptPut(const TFields& f, int64_t now) {
  TTransaction transaction(db_);
  const TUser user = Identify(f, true);
  if (!user.Error.empty()) return ErrorReply(user.Error);
  const int64_t id = IntFieldOr(f, "scr_id", -1);
  if (id >= 0) {
    TStatement find = db_.Prepare("SELECT owner FROM scripts WHERE id = ?1");
    find.Bind(1, id);
    if (!find.Step()) return ErrorReply("Сценарий #" + std::to_string(id) + " не найден");
    if (find.Int(0) != user.Id) return ErrorReply("Изменять и удалять сценарий может только его автор");
  }
  if (Field(f, "del_mode") == "1") {
    if (id < 0) return ErrorReply("Сценарий не указан");
    db_.Prepare("DELETE FROM rates WHERE script = ?1").Bind(1, id).Step();
    db_.Prepare("DELETE FROM scripts WHERE id = ?1").Bind(1, id).Step();
    transaction.Commit();
    return TReplyText().Row().Int("id_scripts", 0).Finish();
  }
  const std::string title(Trim(TextField(f, "scr_title")));
  if (title.empty()) return ErrorReply("Название сценария не указано");
  if (TitleTaken(title, id)) return ErrorReply("Сценарий с таким названием уже существует");
  const std::string script = TextField(f, "scr_script");
  if (script.empty()) return ErrorReply("Текст сценария пуст");
  const std::string author(Trim(TextField(f, "cl_name")));
  const int64_t lcid = IntFieldOr(f, "cl_lcid", 0);
  const int64_t universal = Field(f, "scr_uniapps") == "1" ? 1 : 0;
  const int64_t publics = Field(f, "scr_publics") == "1" ? 1 : 0;
  TStatement write = db_.Prepare(
      id < 0 ? "INSERT INTO scripts (author, lcid, app_name, app_ver, app_guid, uniapps, publics, title, descr, "
               "script, created, title_key, owner) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)"
             : "UPDATE scripts SET author = ?1, lcid = ?2, app_name = ?3, app_ver = ?4, app_guid = ?5, uniapps = ?6, "
               "publics = ?7, title = ?8, descr = ?9, script = ?10, created = ?11, title_key = ?12 WHERE id = ?13 AND "
               "owner = ?14");
  write.Bind(1, author)
      .Bind(2, lcid)
      .Bind(3, Field(f, "cl_app"))
      .Bind(4, Field(f, "cl_ver"))
      .Bind(5, Field(f, "cl_guid"))
      .Bind(6, universal)
      .Bind(7, publics)
      .Bind(8, title)
      .Bind(9, TextField(f, "scr_descr"))
      .Bind(10, script)
      .Bind(11, now)
      .Bind(12, TitleKey(title));
  if (id < 0) {
    write.Bind(13, user.Id).Step();
  } else {
    write.Bind(13, id).Bind(14, user.Id).Step();
  }
  const int64_t result = id < 0 ? db_.LastInsertId() : id;
  transaction.Commit();
  return TReplyText().Row().Int("id_scripts", result).Finish();
}

std::string TCatalogService::ScriptRates(const TFields& f) {
  TStatement rows = db_.Prepare(
      "SELECT u.name, r.rate, r.created, r.app_name, r.app_ver, r.notes FROM rates r JOIN users u ON u.id = r.user "
      "WHERE r.script = ?1 AND r.rate > 0 ORDER BY r.created DESC, u.name");
  rows.Bind(1, IntFieldOr(f, "scr_id", -1));
  TReplyText reply;
  while (rows.Step()) {
    reply.Row()
        .Text("key_cl_name", rows.Text(0))
        .Int("rate", rows.Int(1))
        .Time("created", rows.Int(2))
        .Text("app_name", rows.Text(3))
        .Text("app_ver", rows.Text(4))
        .Text("notes", rows.Text(5));
  }
  return reply.Finish();
}

}  // namespace kivra::server

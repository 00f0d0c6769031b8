#include "Database.h"

namespace kivra::server {

TStatement::TStatement(sqlite3* db, std::string_view sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
    throw TDbError(sqlite3_errmsg(db));
}

TStatement::~TStatement() { sqlite3_finalize(stmt_); }

TStatement& TStatement::Bind(int index, int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) throw TDbError(sqlite3_errmsg(db_));
  return *this;
}

TStatement& TStatement::Bind(int index, std::string_view value) {
  if (sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
    throw TDbError(sqlite3_errmsg(db_));
  return *this;
}

bool TStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  sqlite3_reset(stmt_);
  if (rc == SQLITE_DONE) return false;
  throw TDbError(sqlite3_errmsg(db_));
}

void TStatement::Reset() { sqlite3_reset(stmt_); }

int64_t TStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }
double TStatement::Float(int column) const { return sqlite3_column_double(stmt_, column); }
bool TStatement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

std::string_view TStatement::TextView(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string_view();
}

std::string TStatement::Text(int column) const { return std::string(TextView(column)); }

TDatabase::TDatabase(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string error = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw TDbError(error);
  }
  sqlite3_busy_timeout(db_, 10000);
}

TDatabase::~TDatabase() { sqlite3_close(db_); }

void TDatabase::Exec(std::string_view sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string text = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw TDbError(text);
  }
}

int64_t TDatabase::QueryInt(std::string_view sql) {
  TStatement statement(db_, sql);
  const int64_t value = statement.Step() ? statement.Int(0) : 0;
  statement.Reset();
  return value;
}

}  // namespace kivra::server

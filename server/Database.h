// A small layer over SQLite: connections and prepared statements with bound parameters.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kivra::server {

class TDbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A statement is reset as soon as Step finds no more rows and finalized when the object goes, so
// that no statement keeps a read transaction open after its last row; Reset ends it earlier.
class TStatement {
 public:
  TStatement(sqlite3* db, std::string_view sql);
  ~TStatement();
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  // Parameters are numbered from 1.
  TStatement& Bind(int index, int64_t value);
  TStatement& Bind(int index, std::string_view value);
  // True while a row is available; false when done.
  bool Step();
  // Ends the statement's run (and the read it holds); the bindings stay.
  void Reset();
  int64_t Int(int column) const;
  double Float(int column) const;
  std::string Text(int column) const;
  std::string_view TextView(int column) const;  // valid until the next Step or Reset
  bool IsNull(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class TDatabase {
 public:
  // One connection; used by one thread at a time.
  explicit TDatabase(const std::string& path);
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  void Exec(std::string_view sql);
  TStatement Prepare(std::string_view sql) { return TStatement(db_, sql); }
  // The first column of the first row of `sql` as a number (0 when there is no row).
  int64_t QueryInt(std::string_view sql);
  int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
  int64_t Changes() const { return sqlite3_changes64(db_); }
  sqlite3* Handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when the scope is left without Commit.
class TTransaction {
 public:
  explicit TTransaction(TDatabase& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }
  ~TTransaction() {
    if (!done_) {
      try {
        db_.Exec("ROLLBACK");
      } catch (const TDbError&) {
      }
    }
  }
  void Commit() {
    db_.Exec("COMMIT");
    done_ = true;
  }

 private:
  TDatabase& db_;
  bool done_ = false;
};

}  // namespace kivra::server

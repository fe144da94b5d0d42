// Thin owners of SQLite handles: a database connection, prepared statements, one run of a
// statement and a transaction. Every failure becomes a StoreError.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store.h"

namespace ozl::server {

class Database {
 public:
  enum class Missing { kCreate, kFail };
  explicit Database(const std::string& path, Missing missing = Missing::kCreate);

  sqlite3* handle() const { return handle_.get(); }
  // Runs statements that return no rows.
  void Execute(const char* sql) const;
  [[noreturn]] void Fail(const char* what) const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> handle_;
};

// Copies a database consistently while another process may be writing to it (SQLite's online
// backup), into a file beside `copy` that replaces `copy` only once complete.
void BackUp(const std::string& live, const std::string& copy);

class Statement {
 public:
  Statement(const Database& db, std::string_view sql);

  sqlite3_stmt* handle() const { return handle_.get(); }
  const Database& database() const { return *db_; }

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
  };
  const Database* db_;
  std::unique_ptr<sqlite3_stmt, Finalizer> handle_;
};

// One execution of a prepared statement. Resetting on destruction releases the read snapshot
// even when not every row was stepped through, so checkpoints are never held back.
class Query {
 public:
  explicit Query(Statement& statement) : statement_(statement) {}
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Bind(int index, std::int64_t value);
  // Text of the program is Windows-1251, so it is stored as blobs and compared byte for byte.
  Query& Bind(int index, std::string_view bytes);
  // True while a row is available.
  bool Next();
  void Run();
  std::int64_t Int(int column) const;
  std::string Bytes(int column) const;

 private:
  Statement& statement_;
};

class Transaction {
 public:
  explicit Transaction(const Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  const Database& db_;
  bool open_ = true;
};

}  // namespace ozl::server

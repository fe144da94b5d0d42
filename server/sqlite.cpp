#include "sqlite.h"

#include <cstdio>

namespace ozl::server {

Database::Database(const std::string& path, Missing missing) {
  sqlite3* raw = nullptr;
  const int create = missing == Missing::kCreate ? SQLITE_OPEN_CREATE : 0;
  const int status = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | create | SQLITE_OPEN_NOMUTEX, nullptr);
  handle_.reset(raw);
  if (status != SQLITE_OK) {
    throw StoreError("cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(status)));
  }
  sqlite3_busy_timeout(raw, 5000);
}

void Database::Execute(const char* sql) const {
  if (sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
}

void Database::Fail(const char* what) const {
  throw StoreError(std::string(what) + ": " + sqlite3_errmsg(handle()));
}

void BackUp(const std::string& live, const std::string& copy) {
  const std::string part = copy + ".part";
  std::remove(part.c_str());
  {
    const Database source(live, Database::Missing::kFail);
    const Database target(part);
    struct Finisher {
      void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
    };
    const std::unique_ptr<sqlite3_backup, Finisher> backup(
        sqlite3_backup_init(target.handle(), "main", source.handle(), "main"));
    if (!backup) target.Fail("backup");
    // All pages in one step: the copy is one read transaction of the source, so it is the
    // database as of one moment. A writer holding the lock makes the step wait and try again.
    int status = SQLITE_OK;
    for (int attempt = 0; attempt < 100; ++attempt) {
      status = sqlite3_backup_step(backup.get(), -1);
      if (status != SQLITE_BUSY && status != SQLITE_LOCKED) break;
      sqlite3_sleep(50);
    }
    if (status != SQLITE_DONE) throw StoreError("backup of " + live + ": " + sqlite3_errstr(status));
  }
  if (std::rename(part.c_str(), copy.c_str()) != 0) throw StoreError("cannot rename " + part + " to " + copy);
}

Statement::Statement(const Database& db, std::string_view sql) : db_(&db) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v3(db.handle(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                         nullptr) != SQLITE_OK) {
    db.Fail("prepare");
  }
  handle_.reset(raw);
}

Query::~Query() {
  sqlite3_reset(statement_.handle());
  sqlite3_clear_bindings(statement_.handle());
}

Query& Query::Bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(statement_.handle(), index, value) != SQLITE_OK) statement_.database().Fail("bind");
  return *this;
}

Query& Query::Bind(int index, std::string_view bytes) {
  // A zero-length blob must still be a blob, not NULL, so that comparisons work.
  static constexpr char kEmpty = 0;
  const char* data = bytes.empty() ? &kEmpty : bytes.data();
  if (sqlite3_bind_blob(statement_.handle(), index, data, static_cast<int>(bytes.size()), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    statement_.database().Fail("bind");
  }
  return *this;
}

bool Query::Next() {
  const int status = sqlite3_step(statement_.handle());
  if (status == SQLITE_ROW) return true;
  if (status == SQLITE_DONE) return false;
  statement_.database().Fail("step");
}

void Query::Run() {
  while (Next()) {
  }
}

std::int64_t Query::Int(int column) const { return sqlite3_column_int64(statement_.handle(), column); }

std::string Query::Bytes(int column) const {
  const void* data = sqlite3_column_blob(statement_.handle(), column);
  const int size = sqlite3_column_bytes(statement_.handle(), column);
  if (data == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

Transaction::Transaction(const Database& db) : db_(db) { db_.Execute("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Execute("COMMIT");
  open_ = false;
}

}  // namespace ozl::server

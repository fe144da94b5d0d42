// The store a test runs on: an SQLite file in the test's folder, or, when OZL_TEST_POSTGRES holds
// a PostgreSQL URI (scripts/with-postgres sets it), a schema of its own in that database. The
// same folder and name give the same data again, so a test can reopen its store.
#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "store.h"
#include "temp_dir.h"

namespace ozl::server::test_support {

inline std::optional<std::string> TestPostgres() {
  const char* uri = std::getenv("OZL_TEST_POSTGRES");
  if (uri == nullptr || *uri == '\0') return std::nullopt;
  return uri;
}

// Runs SQL on the test database, failing the test's setup when it fails.
inline void ExecuteOnTestPostgres(const std::string& uri, const std::string& sql) {
  const std::unique_ptr<PGconn, decltype(&PQfinish)> connection(PQconnectdb(uri.c_str()), &PQfinish);
  const std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection.get(), sql.c_str()), &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error(sql + ": " + PQerrorMessage(connection.get()));
  }
}

// What OpenStore takes for this store: a file, or a URI whose connections see only the
// store's schema and name themselves after it (so a test can find them in pg_stat_activity).
inline std::string TestDatabase(const TempDir& dir, const std::string& name) {
  const std::optional<std::string> postgres = TestPostgres();
  if (!postgres) return dir.File(name);
  static std::mutex guard;
  const std::lock_guard lock(guard);
  static std::map<std::string, std::string> schemas;
  auto [place, added] = schemas.try_emplace(dir.File(name));
  if (added) {
    place->second = "t_" + std::to_string(getpid()) + "_" + std::to_string(schemas.size());
    ExecuteOnTestPostgres(*postgres, "CREATE SCHEMA " + place->second);
  }
  const char separator = postgres->find('?') == std::string::npos ? '?' : '&';
  return *postgres + separator + "options=-csearch_path%3D" + place->second + "&application_name=" + place->second;
}

inline std::unique_ptr<Store> OpenTestStore(const TempDir& dir, const std::string& name) {
  return OpenStore(TestDatabase(dir, name));
}

}  // namespace ozl::server::test_support

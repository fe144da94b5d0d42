// What the store and the event channel in PostgreSQL share: owners of libpq's handles, the
// connection as the server makes it, and the server's messages on one line.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>

namespace ozl::server {

struct PostgresConnectionCloser {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct PostgresResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PostgresConnection = std::unique_ptr<PGconn, PostgresConnectionCloser>;
using PostgresResult = std::unique_ptr<PGresult, PostgresResultClearer>;

// Connects to a libpq URI, quietly; throws StoreError, naming the database without its password.
PostgresConnection ConnectToPostgres(const std::string& uri);

// The server's message on one line of the log: libpq breaks its lines and ends the last one.
std::string PostgresMessage(const char* text);

}  // namespace ozl::server

#include "postgres.h"

#include "store.h"

namespace ozl::server {

PostgresConnection ConnectToPostgres(const std::string& uri) {
  // The event loop waits for a connection: one that cannot be made fails within
  // seconds unless the URI says otherwise (it comes last, so its settings win).
  const char* const keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* const values[] = {"10", uri.c_str(), nullptr};
  PostgresConnection connection(PQconnectdbParams(keywords, values, 1));
  if (!connection) throw StoreError("cannot connect to " + DatabaseForLog(uri) + ": out of memory");
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    throw StoreError("cannot connect to " + DatabaseForLog(uri) + ": " +
                     PostgresMessage(PQerrorMessage(connection.get())));
  }
  // "already exists, skipping" and the like are no news.
  PQsetNoticeProcessor(
      connection.get(), [](void*, const char*) {}, nullptr);
  return connection;
}

std::string PostgresMessage(const char* text) {
  std::string message;
  for (const char* c = text ? text : ""; *c != '\0'; ++c) {
    const bool blank = *c == '\n' || *c == '\t' || *c == ' ';
    if (!blank)
      message += *c;
    else if (!message.empty() && message.back() != ' ')
      message += ' ';
  }
  if (!message.empty() && message.back() == ' ') message.pop_back();
  return message;
}

}  // namespace ozl::server

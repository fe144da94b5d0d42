#include "postgres_bus.h"

#include <utility>

#include "store.h"

namespace ozl::server {
namespace {

struct NotifyFree {
  void operator()(PGnotify* notify) const { PQfreemem(notify); }
};

// Events are encoded without quotes or backslashes, so they stand in a literal as they are.
std::string Notification(const std::string& channel, const std::string& event) {
  return "NOTIFY " + channel + ", '" + event + "';";
}

}  // namespace

PostgresBus::PostgresBus(std::string uri, std::string channel)
    : uri_(std::move(uri)), channel_(std::move(channel)), connection_(Listen()) {}

PostgresConnection PostgresBus::Listen() const {
  PostgresConnection connection = ConnectToPostgres(uri_);
  Run(connection.get(), "LISTEN " + channel_);
  return connection;
}

void PostgresBus::Run(PGconn* connection, const std::string& statements) {
  const PostgresResult result(PQexec(connection, statements.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    throw StoreError("the event channel in PostgreSQL: " + PostgresMessage(PQerrorMessage(connection)));
  }
}

void PostgresBus::Send() {
  // One transaction: the events of one exchange reach every node one after another.
  std::string statements;
  for (const std::string& event : waiting_) statements += Notification(channel_, event);
  try {
    Run(connection_.get(), statements);
  } catch (const StoreError&) {
    Reconnect();
    Run(connection_.get(), statements);
  }
  waiting_.clear();
}

void PostgresBus::Reconnect() {
  connection_ = Listen();
  rejoined_ = true;
}

void PostgresBus::Exchange(const Receiver& receive) {
  while (true) {
    if (!waiting_.empty()) Send();
    if (!PQconsumeInput(connection_.get())) {
      Reconnect();
      continue;
    }
    while (std::unique_ptr<PGnotify, NotifyFree> notify{PQnotifies(connection_.get())}) receive(notify->extra);
    if (waiting_.empty()) return;
  }
}

bool PostgresBus::TakeRejoined() { return std::exchange(rejoined_, false); }

}  // namespace ozl::server

#include "postgres_bus.h"

#include <utility>

#include "sqlite.h"

namespace ozl::server {
namespace {

struct ResultFree {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

struct NotifyFree {
  void operator()(PGnotify* notify) const { PQfreemem(notify); }
};

std::string Reason(PGconn* connection) {
  std::string reason = connection ? PQerrorMessage(connection) : "out of memory";
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
  return "the event channel in PostgreSQL: " + reason;
}

// Events are encoded without quotes or backslashes, so they stand in a literal as they are.
std::string Notification(const std::string& channel, const std::string& event) {
  return "NOTIFY " + channel + ", '" + event + "';";
}

}  // namespace

PostgresBus::PostgresBus(std::string uri, std::string channel)
    : uri_(std::move(uri)), channel_(std::move(channel)), connection_(Listen()) {}

std::unique_ptr<PGconn, PostgresBus::Closer> PostgresBus::Listen() const {
  std::unique_ptr<PGconn, Closer> connection(PQconnectdb(uri_.c_str()));
  if (!connection || PQstatus(connection.get()) != CONNECTION_OK) throw StoreError(Reason(connection.get()));
  const Result listening(PQexec(connection.get(), ("LISTEN " + channel_).c_str()));
  if (PQresultStatus(listening.get()) != PGRES_COMMAND_OK) throw StoreError(Reason(connection.get()));
  return connection;
}

void PostgresBus::Send() {
  // One transaction: the events of one exchange reach every node one after another.
  std::string statements;
  for (const std::string& event : waiting_) statements += Notification(channel_, event);
  const Result sent(PQexec(connection_.get(), statements.c_str()));
  if (PQresultStatus(sent.get()) != PGRES_COMMAND_OK) {
    Reconnect();
    const Result again(PQexec(connection_.get(), statements.c_str()));
    if (PQresultStatus(again.get()) != PGRES_COMMAND_OK) throw StoreError(Reason(connection_.get()));
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

// The bus of several nodes on one PostgreSQL: events go out as notifications on one channel,
// which the database hands to every listening node in the order their transactions committed.
#pragma once

#include <deque>
#include <string>

#include "bus.h"
#include "postgres.h"

namespace ozl::server {

class PostgresBus : public Bus {
 public:
  // Listens before returning: nothing published afterwards is missed. Throws StoreError.
  explicit PostgresBus(std::string uri, std::string channel = "ozl_events");

  void Publish(std::string event) override { waiting_.push_back(std::move(event)); }
  void Exchange(const Receiver& receive) override;
  // True once after the connection was lost and made again: events of that gap are gone.
  bool TakeRejoined() override;

 private:
  PostgresConnection Listen() const;
  // Statements that return no rows; throws StoreError.
  static void Run(PGconn* connection, const std::string& statements);
  void Send();
  void Reconnect();

  std::string uri_;
  std::string channel_;
  PostgresConnection connection_;
  std::deque<std::string> waiting_;
  bool rejoined_ = false;
};

}  // namespace ozl::server

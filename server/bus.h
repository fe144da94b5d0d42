// How the nodes of one community tell each other what happened: who came online, a line said in
// the general chat, a private message stored for somebody. Every node hears every event, its own
// included, and all of them hear the events in the same order, so the room reads the same
// everywhere. A single server talks only to itself.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozl::server {

using NodeId = std::uint64_t;

struct BusEvent {
  NodeId node = 0;
  // Counts the events of one node: two that say the same thing still differ, so no carrier may
  // fold them into one.
  std::uint64_t serial = 0;
  char kind = 0;
  std::vector<std::string> fields;

  friend bool operator==(const BusEvent&, const BusEvent&) = default;
};

// A node's id as events write it (hexadecimal), and back; nothing for text no node wrote.
std::string NodeName(NodeId node);
std::optional<NodeId> ParseNodeId(std::string_view text);

// Printable ASCII without blanks, quotes or backslashes, whatever bytes the fields hold, so the
// text travels through any carrier of text.
std::string Encode(const BusEvent& event);
// Nothing for text that no node wrote.
std::optional<BusEvent> Decode(std::string_view text);

class Bus {
 public:
  using Receiver = std::function<void(std::string_view event)>;

  virtual ~Bus() = default;
  // Waits until the next exchange.
  virtual void Publish(std::string event) = 0;
  // Sends what waits and hands every event that has arrived to the receiver, in order. The
  // receiver may publish again; those events go out before the exchange returns. Costs no round
  // trip when nothing waits to be sent.
  virtual void Exchange(const Receiver& receive) = 0;
  // True once after the bus lost its carrier and found it again: the events of that gap are
  // lost, so the node tells the others again what it holds and asks them to do the same.
  virtual bool TakeRejoined() { return false; }
};

// The bus of a server that is the whole community.
class LoopbackBus : public Bus {
 public:
  void Publish(std::string event) override { waiting_.push_back(std::move(event)); }
  void Exchange(const Receiver& receive) override;

 private:
  std::deque<std::string> waiting_;
};

}  // namespace ozl::server

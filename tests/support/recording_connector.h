// A connector that records every request and lets the test answer or fail it by hand.
#pragma once

#include <string>
#include <vector>

#include "protocol/transport.h"

namespace ozl::testing_support {

struct SentRequest {
  protocol::RequestId id;
  protocol::Endpoint destination;
  std::string bytes;

  std::string Header(const std::string& name) const {
    const std::string key = "\r\n" + name + ": ";
    const auto start = bytes.find(key);
    if (start == std::string::npos) return "";
    const auto value = start + key.size();
    return bytes.substr(value, bytes.find("\r\n", value) - value);
  }
  std::string Data() const { return Header("Data"); }
  std::string Session() const { return Header("Session"); }
};

class RecordingConnector : public protocol::Connector {
 public:
  void Start(protocol::RequestId id, const protocol::Endpoint& destination,
             std::string request) override {
    sent.push_back({id, destination, std::move(request)});
  }
  std::vector<SentRequest> sent;
};

}  // namespace ozl::testing_support

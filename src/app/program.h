// The program's windows, created once each in a fixed order with the main window first.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "protocol/transport.h"

namespace ozl {

class TStartForm;
class TInfoForm;

inline constexpr const char* kPortalUrl = "http://www.ozl.example/";

class Program {
 public:
  explicit Program(protocol::Connector& connector);
  ~Program();

  // Shows the login window; the message loop runs after this.
  void Start();

  std::unique_ptr<TStartForm> StartForm;
  std::unique_ptr<TInfoForm> InfoForm;

  // Where the server's lines take effect.
  std::function<void(const std::string& line)> dispatcher;
};

}  // namespace ozl

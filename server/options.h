// The command line of ozl-server.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "passwords.h"

namespace ozl::server {

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = 5190;
  std::string database = "ozl-server.db";
  bool demo = false;
  std::chrono::seconds idle_timeout{40};
  PasswordCost password_cost = PasswordCost::kInteractive;
};

// What to print before leaving instead of serving: the help (code 0) or a usage error (code 2).
struct OptionsExit {
  std::string text;
  int code = 0;
};

std::variant<Options, OptionsExit> ParseOptions(std::span<const std::string_view> arguments);

}  // namespace ozl::server

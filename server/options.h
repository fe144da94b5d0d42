// The command line of ozl-server, and its configuration file: lines "name = value", with the
// names of the command line's options ("listen = 0.0.0.0:5190"), blank lines and "#" comments.
// The command line wins over the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "chat.h"
#include "passwords.h"

namespace ozl::server {

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = 5190;
  std::string database = "ozl-server.db";
  bool demo = false;
  ChatLimits limits;
  PasswordCost password_cost = PasswordCost::kInteractive;
  // A proxy in front of the server: its requests name the client's address in X-Real-IP.
  std::optional<std::string> trusted_proxy;
  // Copy the database here and leave instead of serving.
  std::optional<std::string> backup;
};

// What to print before leaving instead of serving: the help (code 0) or a usage error (code 2).
struct OptionsExit {
  std::string text;
  int code = 0;
};

// The text of a file, or nothing when it cannot be read.
using FileReader = std::function<std::optional<std::string>(const std::string& path)>;

std::variant<Options, OptionsExit> ParseOptions(std::span<const std::string_view> arguments,
                                                const FileReader& read_file);

}  // namespace ozl::server

#include "options.h"

#include <charconv>
#include <optional>

#include "ozl_version.h"

namespace ozl::server {
namespace {

constexpr std::string_view kHelp =
    "Usage: ozl-server [options]\n"
    "The OZL chat server: answers the client's HTTP requests and keeps users, contacts and\n"
    "undelivered messages in an SQLite database.\n"
    "\n"
    "  --listen ADDRESS:PORT   where to listen (default 127.0.0.1:5190; port 0 picks a free one,\n"
    "                          IPv6 as [::1]:5190)\n"
    "  --db PATH               the database file (default ozl-server.db); created when missing\n"
    "  --demo                  make sure the demo accounts exist and print how to log in with them\n"
    "  --idle-timeout SECONDS  a session silent this long goes offline (default 40)\n"
    "  --password-cost COST    'interactive' (default) or 'minimal' for tests and load runs\n"
    "  --version               show the version\n"
    "  --help                  show this text\n"
    "\n"
    "Once serving it prints 'ozl-server: listening on ADDRESS:PORT'. SIGINT or SIGTERM stop it.\n";

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool ParseListen(std::string_view text, Options& options) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  const std::optional<std::uint16_t> port = ParseNumber<std::uint16_t>(text.substr(colon + 1));
  if (host.empty() || !port) return false;
  options.host = std::string(host);
  options.port = *port;
  return true;
}

OptionsExit UsageError(std::string_view problem) {
  return {"ozl-server: " + std::string(problem) + "\nTry 'ozl-server --help'.\n", 2};
}

}  // namespace

std::variant<Options, OptionsExit> ParseOptions(std::span<const std::string_view> arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view name = arguments[i];
    if (name == "--help") return OptionsExit{std::string(kHelp), 0};
    if (name == "--version") return OptionsExit{"ozl-server " OZL_VERSION_TEXT "\n", 0};
    if (name == "--demo") {
      options.demo = true;
      continue;
    }
    if (name != "--listen" && name != "--db" && name != "--idle-timeout" && name != "--password-cost") {
      return UsageError("unknown option " + std::string(name));
    }
    if (i + 1 >= arguments.size()) return UsageError(std::string(name) + " needs a value");
    const std::string_view value = arguments[++i];
    if (name == "--listen") {
      if (!ParseListen(value, options)) return UsageError("--listen wants ADDRESS:PORT, not " + std::string(value));
    } else if (name == "--db") {
      if (value.empty()) return UsageError("--db needs a path");
      options.database = std::string(value);
    } else if (name == "--idle-timeout") {
      const std::optional<int> seconds = ParseNumber<int>(value);
      if (!seconds || *seconds <= 0) return UsageError("--idle-timeout wants a positive number of seconds");
      options.idle_timeout = std::chrono::seconds(*seconds);
    } else if (value == "interactive" || value == "minimal") {
      options.password_cost = value == "minimal" ? PasswordCost::kMinimal : PasswordCost::kInteractive;
    } else {
      return UsageError("--password-cost is 'interactive' or 'minimal'");
    }
  }
  return options;
}

}  // namespace ozl::server

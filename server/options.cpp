#include "options.h"

#include <charconv>
#include <optional>

#include "ozl_version.h"

namespace ozl::server {
namespace {

constexpr std::string_view kHelp =
    "Usage: ozl-server [options]\n"
    "The OZL chat server: answers the client's HTTP requests, serves the portal and the web chat,\n"
    "and keeps users, contacts and undelivered messages in an SQLite file or in PostgreSQL.\n"
    "\n"
    "  --config FILE           read options from FILE: 'name = value' lines with the names below\n"
    "                          (without the dashes); options given here win over it\n"
    "  --listen ADDRESS:PORT   where to listen (default 127.0.0.1:5190; port 0 picks a free one,\n"
    "                          IPv6 as [::1]:5190)\n"
    "  --db PATH|URI           the SQLite file (default ozl-server.db), created when missing, or a\n"
    "                          PostgreSQL URI (postgresql://USER@HOST/NAME), whose tables are made\n"
    "                          when missing; several servers may share one PostgreSQL database\n"
    "  --backup FILE           copy the SQLite file, live or not, consistently into FILE and leave\n"
    "                          (PostgreSQL is backed up with pg_dump)\n"
    "  --trusted-proxy ADDRESS requests from ADDRESS (nginx in front of several servers) carry the\n"
    "                          client's address in X-Real-IP, which then stands for the client\n"
    "  --demo                  make sure the demo accounts exist and print how to log in with them\n"
    "  --idle-timeout SECONDS  a session silent this long goes offline (default 40)\n"
    "  --chat-lines N/SECONDS  lines for everybody (chat lines, entering, leaving): a burst of N,\n"
    "                          then one per SECONDS, per session and per web chat user (default 5/1)\n"
    "  --unknown-sessions N/SECONDS        requests under unknown sessions per address (100/10)\n"
    "  --failed-logins-per-user N/SECONDS  (default 10/60)\n"
    "  --failed-logins-per-address N/SECONDS  (default 50/6)\n"
    "  --password-cost COST    'interactive' (default) or 'minimal' for tests and load runs\n"
    "  --version               show the version\n"
    "  --help                  show this text\n"
    "\n"
    "It logs one line per start, stop, error and refused flood to standard error. SIGINT or SIGTERM\n"
    "stop it: it answers the requests it has begun, then closes the database.\n";

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

// "N/SECONDS": a burst of N, then one per SECONDS.
std::optional<Rate> ParseRate(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::optional<int> burst = ParseNumber<int>(text.substr(0, slash));
  const std::optional<int> seconds = ParseNumber<int>(text.substr(slash + 1));
  if (!burst || !seconds || *burst <= 0 || *seconds <= 0) return std::nullopt;
  return Rate{*burst, std::chrono::seconds(*seconds)};
}

struct RateOption {
  std::string_view name;
  Rate ChatLimits::*rate;
};

constexpr RateOption kRates[] = {
    {"--chat-lines", &ChatLimits::broadcasts},
    {"--unknown-sessions", &ChatLimits::unknown_sessions},
    {"--failed-logins-per-user", &ChatLimits::failed_logins_per_user},
    {"--failed-logins-per-address", &ChatLimits::failed_logins_per_address},
};

bool TakesValue(std::string_view name) {
  for (const RateOption& option : kRates) {
    if (option.name == name) return true;
  }
  return name == "--listen" || name == "--db" || name == "--idle-timeout" || name == "--password-cost" ||
         name == "--backup" || name == "--config" || name == "--trusted-proxy";
}

// Sets one option that takes a value; the problem, if any.
std::optional<std::string> Apply(std::string_view name, std::string_view value, Options& options) {
  for (const RateOption& option : kRates) {
    if (option.name != name) continue;
    const std::optional<Rate> rate = ParseRate(value);
    if (!rate) return std::string(name) + " wants N/SECONDS, both positive, not " + std::string(value);
    options.limits.*option.rate = *rate;
    return std::nullopt;
  }
  if (name == "--listen") {
    if (!ParseListen(value, options)) return "--listen wants ADDRESS:PORT, not " + std::string(value);
  } else if (name == "--db" || name == "--backup") {
    if (value.empty()) return std::string(name) + (name == "--db" ? " needs a path or URI" : " needs a path");
    (name == "--db" ? options.database : options.backup.emplace()) = std::string(value);
  } else if (name == "--trusted-proxy") {
    if (value.empty()) return "--trusted-proxy needs an address";
    options.trusted_proxy = std::string(value);
  } else if (name == "--idle-timeout") {
    const std::optional<int> seconds = ParseNumber<int>(value);
    if (!seconds || *seconds <= 0) return "--idle-timeout wants a positive number of seconds";
    options.limits.idle_timeout = std::chrono::seconds(*seconds);
  } else if (value == "interactive" || value == "minimal") {
    options.password_cost = value == "minimal" ? PasswordCost::kMinimal : PasswordCost::kInteractive;
  } else {
    return "--password-cost is 'interactive' or 'minimal'";
  }
  return std::nullopt;
}

OptionsExit UsageError(std::string_view problem) {
  return {"ozl-server: " + std::string(problem) + "\nTry 'ozl-server --help'.\n", 2};
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<OptionsExit> ApplyConfig(const std::string& path, std::string_view text, Options& options) {
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = Trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::string where = path + ":" + std::to_string(number) + ": ";
    const std::size_t equals = line.find('=');
    const std::string name = "--" + std::string(Trimmed(line.substr(0, equals)));
    if (equals == std::string_view::npos || name == "--config" || !TakesValue(name)) {
      return UsageError(where + "not a 'name = value' line of a known option");
    }
    if (const auto problem = Apply(name, Trimmed(line.substr(equals + 1)), options)) {
      return UsageError(where + *problem);
    }
  }
  return std::nullopt;
}

}  // namespace

std::variant<Options, OptionsExit> ParseOptions(std::span<const std::string_view> arguments,
                                                const FileReader& read_file) {
  Options options;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] != "--config") continue;
    const std::string path(arguments[i + 1]);
    const std::optional<std::string> text = read_file(path);
    if (!text) return UsageError("cannot read " + path);
    if (auto problem = ApplyConfig(path, *text, options)) return std::move(*problem);
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view name = arguments[i];
    if (name == "--help") return OptionsExit{std::string(kHelp), 0};
    if (name == "--version") return OptionsExit{"ozl-server " OZL_VERSION_TEXT "\n", 0};
    if (name == "--demo") {
      options.demo = true;
      continue;
    }
    if (!TakesValue(name)) return UsageError("unknown option " + std::string(name));
    if (i + 1 >= arguments.size()) return UsageError(std::string(name) + " needs a value");
    const std::string_view value = arguments[++i];
    if (name == "--config") continue;
    if (const auto problem = Apply(name, value, options)) return UsageError(*problem);
  }
  return options;
}

}  // namespace ozl::server

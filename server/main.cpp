// ozl-server: the reference chat server of the OZL client.
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "chat.h"
#include "demo.h"
#include "log.h"
#include "options.h"
#include "postgres_bus.h"
#include "ozl_version.h"
#include "server.h"
#include "sqlite.h"
#include "store.h"

namespace {

std::atomic<ozl::server::Server*> running_server{nullptr};

extern "C" void StopOnSignal(int) {
  if (ozl::server::Server* server = running_server.load()) server->Stop();
}

// Every connection is a descriptor: take all the kernel allows and leave a margin for the
// database and the loop's own.
std::size_t ConnectionLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
  getrlimit(RLIMIT_NOFILE, &limit);
  return limit.rlim_cur > 128 ? static_cast<std::size_t>(limit.rlim_cur - 64) : 64;
}

void PrintDemo(const ozl::server::Demo& demo) {
  for (const ozl::server::DemoAccount& account : demo.accounts) {
    std::cout << "ozl-server: demo account " << account.id << " password " << account.password << " (nick "
              << account.nick << ")\n";
  }
  std::cout << "ozl-server: companion " << demo.companion.id << " (nick " << demo.companion.nick
            << ") answers private messages\n";
}


std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Address(const std::string& host, std::uint16_t port) {
  const bool bracketed = host.find(':') != std::string::npos;
  return (bracketed ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

void Serve(const ozl::server::Options& options) {
  using namespace ozl::server;
  ServerSettings settings;
  settings.password_cost = options.password_cost;
  settings.trusted_proxy = options.trusted_proxy;
  settings.max_connections = ConnectionLimit();
  // SQLite makes the file but not the folders above it.
  if (const auto folder = std::filesystem::path(options.database).parent_path();
      !IsPostgresUri(options.database) && !folder.empty()) {
    std::filesystem::create_directories(folder);
  }
  const std::unique_ptr<Store> store = OpenStore(options.database);
  // Nodes on one PostgreSQL serve one community and hear each other through it.
  std::unique_ptr<Bus> bus;
  if (IsPostgresUri(options.database)) bus = std::make_unique<PostgresBus>(options.database);
  Chat chat(*store, options.limits, bus.get());
  chat.SetEventLog(LogLine);
  if (options.demo) {
    const Demo demo = EnsureDemo(*store, options.password_cost);
    chat.SetCompanion(demo.companion.id);
    PrintDemo(demo);
  }
  Server server(chat, options.host, options.port, settings);
  running_server = &server;
  struct sigaction stop {};
  stop.sa_handler = StopOnSignal;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);
  LogLine("version " OZL_VERSION_TEXT " listening on " + Address(options.host, server.port()) + ", database " +
          DatabaseForLog(options.database));
  server.Run();
  running_server = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ozl::server;
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const auto parsed = ParseOptions(arguments, ReadFile);
  if (const auto* exit = std::get_if<OptionsExit>(&parsed)) {
    (exit->code == 0 ? std::cout : std::cerr) << exit->text;
    return exit->code;
  }
  const Options& options = std::get<Options>(parsed);
  try {
    if (options.backup && IsPostgresUri(options.database)) {
      std::cerr << "ozl-server: --backup copies SQLite files; back PostgreSQL up with pg_dump\n";
      return 2;
    }
    if (options.backup) {
      BackUp(options.database, *options.backup);
      LogLine("backup of " + options.database + " written to " + *options.backup);
      return 0;
    }
    Serve(options);
  } catch (const std::exception& error) {
    LogLine(std::string("error: ") + error.what());
    return 1;
  }
  LogLine("stopped: every request begun was answered and the database is closed");
  return 0;
}

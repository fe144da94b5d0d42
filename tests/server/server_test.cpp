#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "test_store.h"

namespace ozl::server {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;
using namespace std::chrono_literals;

constexpr std::size_t kMaxConnections = 64;

class ServerLoop : public ::testing::Test {
 protected:
  ServerLoop() : store_(test_support::OpenTestStore(dir_, "loop.db")), chat_(*store_) {
    ServerSettings settings;
    settings.request_time_limit = 1s;
    settings.password_cost = PasswordCost::kMinimal;
    settings.max_connections = kMaxConnections;
    settings.trusted_proxy = "127.0.0.1";
    server_ = std::make_unique<Server>(chat_, "127.0.0.1", 0, settings);
    loop_ = std::jthread([this] { server_->Run(); });
  }
  ~ServerLoop() override {
    server_->Stop();
    loop_.join();
  }

  UniqueFd Connect() const {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server_->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
  }

  static void SendAll(const UniqueFd& fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
  }

  // Everything until the server closes, or what came within the time given.
  static std::string ReadToClose(const UniqueFd& fd, std::chrono::milliseconds within = 5s) {
    std::string received;
    const auto give_up = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < give_up) {
      pollfd waiting{fd.get(), POLLIN, 0};
      if (poll(&waiting, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t count = recv(fd.get(), buffer, sizeof buffer, 0);
      if (count <= 0) return received;
      received.append(buffer, static_cast<std::size_t>(count));
    }
    return received + "<still open>";
  }

  std::string Exchange(std::string_view request) {
    const UniqueFd fd = Connect();
    SendAll(fd, request);
    return ReadToClose(fd);
  }

  static std::string Request(std::string_view session, std::string_view data) {
    return "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\nSession: " + std::string(session) + "\r\nData: " +
           std::string(data) + "\r\nVersion: 0.03b\r\n\r\n";
  }

  static std::string Body(const std::string& response) {
    const std::size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? "<no body>" : response.substr(end + 4);
  }

  test_support::TempDir dir_;
  std::unique_ptr<Store> store_;
  Chat chat_;
  std::unique_ptr<Server> server_;
  std::jthread loop_;
};

TEST_F(ServerLoop, RegistersLogsInAndPollsOverRealSockets) {
  const std::string registered = Exchange(Request("1", "#RKot|a|b|c|d|e|pw|m|about|kot"));
  EXPECT_THAT(registered, StartsWith("HTTP/1.0 200 OK\r\n"));
  EXPECT_EQ(Body(registered), "#R10001\r\n");
  EXPECT_THAT(Body(Exchange(Request("2", "#A10001|pw"))), StartsWith("#Akot|Kot\r\n#U10001-Kot-online|~"));
  EXPECT_EQ(Body(Exchange(Request("2", "#PING"))), "");
  EXPECT_EQ(Body(Exchange(Request("3", "#PING"))), "#0\r\n");
  EXPECT_EQ(Body(Exchange(Request("777", "#PING"))), "");
}

TEST_F(ServerLoop, ServesManyClientsWhoseRequestsArriveInPieces) {
  std::vector<UniqueFd> clients;
  const std::string request = Request("5", "#PING");
  for (int i = 0; i < 40; ++i) {
    clients.push_back(Connect());
    SendAll(clients.back(), std::string_view(request).substr(0, 20));
  }
  for (auto client = clients.rbegin(); client != clients.rend(); ++client) {
    SendAll(*client, std::string_view(request).substr(20));
  }
  for (const UniqueFd& client : clients) EXPECT_EQ(Body(ReadToClose(client)), "#0\r\n");
}

TEST_F(ServerLoop, ASlowClientIsCutOffWithoutHoldingUpTheOthers) {
  const UniqueFd slow = Connect();
  SendAll(slow, "GET / HTTP/1.0\r\nSess");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Body(Exchange(Request("5", "#PING"))), "#0\r\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
  EXPECT_EQ(ReadToClose(slow, 4s), "") << "closed after the time limit, without an answer";
}

TEST_F(ServerLoop, OversizedAndMalformedRequestsAreRefusedAndServingGoesOn) {
  EXPECT_THAT(Exchange("GET / HTTP/1.0\r\nData: " + std::string(20000, 'x')), StartsWith("HTTP/1.0 431 "));
  EXPECT_THAT(Exchange("HELLO\r\n\r\n"), StartsWith("HTTP/1.0 400 "));
  EXPECT_THAT(Exchange(std::string("\0\xFF\r\n\r\n", 6)), StartsWith("HTTP/1.0 400 "));
  EXPECT_THAT(Exchange("GET / HTTP/1.0\r\nSession: x\r\n\r\n"), StartsWith("HTTP/1.0 400 "));
  EXPECT_THAT(Exchange(Request("5", std::string("#S1|\x01\x7F", 6))), EndsWith("\r\n\r\n#0\r\n"));
}

TEST_F(ServerLoop, AnAddressThatKeepsGuessingSessionsIsToldToWait) {
  for (int i = 0; i < ChatLimits{}.unknown_sessions.burst; ++i) {
    ASSERT_EQ(Body(Exchange(Request(std::to_string(1000 + i), "#PING"))), "#0\r\n");
  }
  EXPECT_EQ(Exchange(Request("5", "#PING")), "HTTP/1.0 429 Too Many Requests\r\nContent-Length: 0\r\n\r\n");
}

TEST_F(ServerLoop, BehindATrustedProxyTheForwardedAddressIsTheClients) {
  const auto forwarded = [](std::string_view address, std::string_view session) {
    std::string request = Request(session, "#PING");
    return request.insert(request.find("Data:"), "X-Real-IP: " + std::string(address) + "\r\n");
  };
  for (int i = 0; i < ChatLimits{}.unknown_sessions.burst; ++i) {
    ASSERT_EQ(Body(Exchange(forwarded("10.0.0.9", std::to_string(1000 + i)))), "#0\r\n");
  }
  EXPECT_THAT(Exchange(forwarded("10.0.0.9", "5")), StartsWith("HTTP/1.0 429 "));
  EXPECT_EQ(Body(Exchange(forwarded("10.0.0.8", "5"))), "#0\r\n");
  EXPECT_EQ(Body(Exchange(Request("5", "#PING"))), "#0\r\n");
}

TEST_F(ServerLoop, ConnectionsOverTheLimitAreClosedAtOnce) {
  std::vector<UniqueFd> idle;
  for (std::size_t i = 0; i < kMaxConnections; ++i) {
    idle.push_back(Connect());
    SendAll(idle.back(), "GET / HTTP/1.0\r\n");
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Exchange(Request("5", "#PING")), "");
  idle.pop_back();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Body(Exchange(Request("5", "#PING"))), "#0\r\n");
}

}  // namespace
}  // namespace ozl::server

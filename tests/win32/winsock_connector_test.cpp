#include "platform/winsock_connector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/message_loop.h"

namespace ozl::platform {
namespace {

class RecordingHost : public protocol::TransportHost {
 public:
  protocol::ProxySettings CurrentProxy() override { return proxy; }
  void ReceiveText(const std::string& line) override {
    lines.push_back(line);
    if (on_line) on_line(line);
  }
  void ShowServerUnavailable() override { events.push_back("notice"); }
  void ShowProxyRefused() override { events.push_back("proxy refused"); }
  void ShowError(const std::string& text) override { events.push_back("error: " + text); }
  void CommandRefused(const std::string& command) override { events.push_back("refused " + command); }

  protocol::ProxySettings proxy;
  std::vector<std::string> lines;
  std::vector<std::string> events;
  std::function<void(const std::string&)> on_line;
};

// A one-connection server on a thread of its own: reads the request, then does what it is told.
class LocalServer {
 public:
  explicit LocalServer(std::function<void(SOCKET, const std::string& request)> answer) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    listen(listener_.get(), 1);
    thread_ = std::thread([this, answer] {
      UniqueSocket connection(accept(listener_.get(), nullptr, nullptr));
      std::string data;
      char buffer[4096];
      while (data.find("\r\n\r\n") == std::string::npos) {
        const int received = recv(connection.get(), buffer, sizeof(buffer), 0);
        if (received <= 0) break;
        data.append(buffer, static_cast<std::size_t>(received));
      }
      request = data;
      received = true;
      answer(connection.get(), data);
      done = true;
    });
  }
  ~LocalServer() {
    thread_.join();
    listener_.reset();
    WSACleanup();
  }

  int port = 0;
  std::string request;  // read once `received` is set
  std::atomic<bool> received{false};
  std::atomic<bool> done{false};

 private:
  UniqueSocket listener_;
  std::thread thread_;
};

void SendAll(SOCKET connection, const std::string& bytes) {
  send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpWaitingMessages();
  }
  return true;
}

class WinsockConnectorTest : public testing::Test {
 protected:
  void Use(const std::string& host, int port) {
    host_.proxy = {true, host, std::to_string(port), false, "", ""};
  }

  WinsockConnector connector{1500};
  RecordingHost host_;
  protocol::Transport transport{connector, host_, "127.0.0.1", [] { return 1u; }};

  void SetUp() override { connector.SetTransport(&transport); }
  void TearDown() override { connector.SetTransport(nullptr); }
};

TEST_F(WinsockConnectorTest, ARequestGoesOutWholeAndItsAnswerIsReadToTheEnd) {
  LocalServer server([](SOCKET connection, const std::string&) {
    SendAll(connection, "HTTP/1.0 200 OK\r\nServer: test\r\n\r\n#-one\r\n");
    Sleep(50);  // the answer arrives in pieces; only the close ends it
    SendAll(connection, std::string(100000, 'x') + "\r\n#-three");
  });
  Use("127.0.0.1", server.port);
  transport.SendText("#I12345");
  ASSERT_TRUE(PumpUntil([&] { return host_.lines.size() == 3; }));
  EXPECT_EQ(host_.lines[0], "#-one\n");
  EXPECT_EQ(host_.lines[1], std::string(100000, 'x') + "\n");
  EXPECT_EQ(host_.lines[2], "#-three\n");
  EXPECT_TRUE(host_.events.empty());
  ASSERT_TRUE(server.received);
  EXPECT_NE(server.request.find("\r\nData: #I12345\r\nVersion: 0.03b\r\n"), std::string::npos);
  EXPECT_EQ(server.request.find("GET http://127.0.0.1:5190/ HTTP/1.0\r\nProxy-Connection: close\r\n"), 0u);
  EXPECT_FALSE(transport.InFlight());
}

TEST_F(WinsockConnectorTest, NobodyListeningIsAConnectionFailure) {
  int port = 0;
  {
    LocalServer closed([](SOCKET, const std::string&) {});
    port = closed.port;
    Use("127.0.0.1", port);
    transport.SendText("#PING");
    ASSERT_TRUE(PumpUntil([&] { return !transport.InFlight(); }));
  }
  transport.Poll();
  ASSERT_TRUE(PumpUntil([&] { return !transport.InFlight(); }));
  EXPECT_EQ(host_.events.back(), "error: Connection Failed");
  EXPECT_EQ(host_.events[host_.events.size() - 2], "notice");
  EXPECT_EQ(transport.WaitingCount(), 1u);  // the ping waits for the next try
}

TEST_F(WinsockConnectorTest, AHostWithoutAnAddressIsReportedAsSuch) {
  Use("no-such-host.invalid", 80);
  transport.SendText("#PING");
  ASSERT_TRUE(PumpUntil([&] { return !transport.InFlight(); }, 30000));
  EXPECT_EQ(host_.events, (std::vector<std::string>{"error: Null Remote Address"}));
}

TEST_F(WinsockConnectorTest, AServerThatNeverClosesTimesOut) {
  std::atomic<bool> release{false};
  LocalServer server([&](SOCKET connection, const std::string&) {
    SendAll(connection, "HTTP/1.0 200 OK\r\n\r\n#-never complete\r\n");
    while (!release) Sleep(10);
  });
  Use("127.0.0.1", server.port);
  transport.SendText("#PING");
  ASSERT_TRUE(PumpUntil([&] { return !transport.InFlight(); }));
  release = true;
  EXPECT_EQ(host_.events, (std::vector<std::string>{"notice", "error: Connection Timed Out"}));
  EXPECT_TRUE(host_.lines.empty());
}

TEST_F(WinsockConnectorTest, ARequestMadeByAnAnswerIsNotTakenForTheOneBefore) {
  // The re-login starts from the answer that asked for it: its socket gets the number of the
  // one just closed, whose last notice (the close) is still on its way.
  LocalServer relogin([](SOCKET connection, const std::string&) {
    SendAll(connection, "HTTP/1.0 200 OK\r\n\r\n#Akot|Kot");
  });
  std::atomic<bool> answered{false};
  std::atomic<bool> release{false};
  LocalServer first([&](SOCKET connection, const std::string&) {
    SendAll(connection, "HTTP/1.0 200 OK\r\n\r\n#0");
    shutdown(connection, SD_SEND);  // the socket stays open, so its number is not the one reused
    answered = true;
    while (!release) Sleep(10);
  });
  host_.on_line = [&](const std::string& line) {
    if (line != "#0\n") return;
    Use("127.0.0.1", relogin.port);
    transport.SendDirect("#A1|pw");
  };
  Use("127.0.0.1", first.port);
  transport.Poll();
  // The answer and the close are both waiting when the answer is read.
  ASSERT_TRUE(PumpUntil([&] { return answered.load(); }));
  Sleep(100);
  const bool relogged = PumpUntil([&] { return relogin.done && !transport.InFlight(); });
  release = true;
  ASSERT_TRUE(relogged);
  EXPECT_EQ(host_.lines, (std::vector<std::string>{"#0\n", "#Akot|Kot\n"}));
  EXPECT_EQ(host_.events, std::vector<std::string>{});
}

TEST(WinsockConnectorLimit, AnAnswerOfTheLimitIsTakenAndOneByteMoreIsRefused) {
  const std::string head = "HTTP/1.0 200 OK\r\n\r\n#-";
  for (const std::size_t extra : {0u, 1u}) {
    RecordingHost host;
    WinsockConnector connector{30000};
    protocol::Transport transport(connector, host, "127.0.0.1", [] { return 1u; });
    connector.SetTransport(&transport);
    LocalServer server([&](SOCKET connection, const std::string&) {
      SendAll(connection, head + std::string(WinsockConnector::kMaxResponseBytes - head.size() + extra, 'x'));
    });
    host.proxy = {true, "127.0.0.1", std::to_string(server.port), false, "", ""};
    transport.SendText("#PING");
    ASSERT_TRUE(PumpUntil([&] { return !transport.InFlight(); }, 30000));
    connector.SetTransport(nullptr);
    EXPECT_EQ(host.lines.size(), extra ? 0u : 1u) << extra;
    EXPECT_EQ(host.events, extra ? std::vector<std::string>{"error: The server's answer is too large"}
                                 : std::vector<std::string>{})
        << extra;
  }
}

TEST(WinsockConnectorLifetime, GoingAwayMidRequestIsHarmless) {
  std::atomic<bool> release{false};
  RecordingHost host;
  LocalServer server([&](SOCKET, const std::string&) {
    while (!release) Sleep(10);
  });
  {
    WinsockConnector connector;
    protocol::Transport transport(connector, host, "127.0.0.1", [] { return 1u; });
    connector.SetTransport(&transport);
    host.proxy = {true, "127.0.0.1", std::to_string(server.port), false, "", ""};
    transport.SendText("#PING");
    EXPECT_TRUE(PumpUntil([&] { return server.received.load(); }));
    connector.SetTransport(nullptr);
  }
  release = true;
  PumpWaitingMessages();
  EXPECT_TRUE(host.lines.empty());
  EXPECT_TRUE(host.events.empty());
}

}  // namespace
}  // namespace ozl::platform

#include "protocol/transport.h"

#include <gtest/gtest.h>

#include <functional>

#include "protocol/session_id.h"
#include "support/recording_connector.h"

namespace ozl::protocol {
namespace {

using testing_support::RecordingConnector;
using testing_support::SentRequest;

class RecordingHost : public TransportHost {
 public:
  ProxySettings CurrentProxy() override { return proxy; }
  void ReceiveText(const std::string& line) override {
    received.push_back(line);
    if (on_line) on_line(line);
  }
  void ShowServerUnavailable() override { events.push_back("notice"); }
  void ShowProxyRefused() override { events.push_back("proxy refused"); }
  void ShowError(const std::string& text) override { events.push_back("error: " + text); }
  void CommandRefused(const std::string& command) override { events.push_back("refused " + command); }

  ProxySettings proxy;
  std::vector<std::string> received;
  std::vector<std::string> events;
  std::function<void(const std::string&)> on_line;
};

std::string Ok(const std::string& body) { return "HTTP/1.0 200 OK\r\n\r\n" + body; }

class TransportTest : public testing::Test {
 protected:
  RecordingConnector connector;
  RecordingHost host;
  // The instance is drawn from two words: 1 and 2 make 2^32 + 2.
  std::vector<std::uint32_t> words{1, 2};
  std::size_t drawn = 0;
  Transport transport{connector, host, "127.0.0.1", [this] { return words.at(drawn++); }};

  const SentRequest& Last() { return connector.sent.back(); }
  void Answer(std::size_t index, const std::string& body = "") {
    transport.Completed(connector.sent.at(index).id, Ok(body));
  }
  void Fail(std::size_t index, FailureKind kind = FailureKind::kConnectFailed) {
    transport.Failed(connector.sent.at(index).id, {kind, "socket broke"});
  }
  std::vector<std::string> DataSent() { return HeadersSent("Data"); }
  std::vector<std::string> HeadersSent(const std::string& name) {
    std::vector<std::string> values;
    for (const auto& request : connector.sent) values.push_back(request.Header(name));
    return values;
  }
};

using Strings = std::vector<std::string>;

TEST_F(TransportTest, ACommandLeavesAtOnceWhenNothingIsInFlight) {
  transport.SetSessionId("31337");
  transport.SendText("#K112345");
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(Last().Data(), "#K112345");
  EXPECT_EQ(Last().Session(), "31337");
  EXPECT_TRUE(transport.InFlight());
  Answer(0);
  EXPECT_FALSE(transport.InFlight());
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, ABurstDuringARequestLeavesInOrderEachExactlyOnce) {
  transport.SendText("#S1|first ");
  transport.SendText("#S1|second ");
  transport.SendText("#S1|third ");
  transport.SendText("#C to everybody");
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(transport.WaitingCount(), 4u);
  for (std::size_t i = 0; i < 4; ++i) Answer(i);
  EXPECT_EQ(DataSent(), (Strings{"#S1|first ", "#S1|second ", "#S1|third ", "#C to everybody"}));
  EXPECT_EQ(transport.WaitingCount(), 0u);
  EXPECT_FALSE(transport.InFlight());
}

TEST_F(TransportTest, APingNeverDisplacesACommand) {
  transport.SendText("#I5");
  transport.SendText("#PING");
  transport.Poll();
  EXPECT_EQ(transport.WaitingCount(), 1u);
  Answer(0);
  EXPECT_EQ(DataSent(), (Strings{"#I5"}));

  // A ping queued behind nothing goes; a command that comes before it leaves gives way to it.
  transport.Poll();
  EXPECT_EQ(DataSent(), (Strings{"#I5", "#PING"}));
  transport.SendText("#K05");
  transport.SendText("#PING");
  Answer(1);
  EXPECT_EQ(DataSent(), (Strings{"#I5", "#PING", "#K05"}));
  Answer(2);
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, ThePollSendsNothingWhileARequestIsInFlight) {
  transport.Poll();
  ASSERT_EQ(connector.sent.size(), 1u);
  transport.Poll();
  transport.Poll();
  EXPECT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(transport.WaitingCount(), 1u);  // the ping in flight, nothing queued behind it
  Answer(0);
  EXPECT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, AFailedCommandStaysFirstAndGoesWithTheNextPoll) {
  transport.SendText("#S7|hello ");
  transport.SendText("#S7|again ");
  Fail(0);
  EXPECT_EQ(host.events, (Strings{"notice", "error: Connection Failed"}));
  EXPECT_EQ(connector.sent.size(), 1u);  // no hammering of a dead server
  transport.Poll();
  Answer(1);
  Answer(2);
  EXPECT_EQ(DataSent(), (Strings{"#S7|hello ", "#S7|hello ", "#S7|again "}));
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, FailuresAreReportedByKind) {
  transport.SendText("#PING");
  Fail(0, FailureKind::kUnresolvedHost);
  transport.Poll();
  Fail(1, FailureKind::kSocketError);
  transport.Poll();
  Fail(2, FailureKind::kTimedOut);
  EXPECT_EQ(host.events, (Strings{"error: Null Remote Address", "error: socket broke", "notice",
                                  "error: Connection Timed Out"}));
  EXPECT_TRUE(host.received.empty());
}

TEST_F(TransportTest, AnOutageBringsOneErrorBoxUntilTheServerAnswersAgain) {
  transport.SendText("#PING");
  Fail(0);
  transport.Poll();
  Fail(1);
  transport.Poll();
  Answer(2);
  transport.Poll();
  Fail(3);
  EXPECT_EQ(host.events, (Strings{"notice", "error: Connection Failed", "notice", "notice",
                                  "error: Connection Failed"}));
}

TEST_F(TransportTest, ADirectSendGoesAtOnceEvenWhileARequestIsInFlight) {
  transport.Poll();
  transport.SetSessionId("123");
  transport.SendDirect("#A1|pw");
  ASSERT_EQ(connector.sent.size(), 2u);
  EXPECT_EQ(Last().Data(), "#A1|pw");
  EXPECT_EQ(Last().Session(), "123");
  Answer(1);
  Answer(0);
  EXPECT_EQ(transport.WaitingCount(), 0u);
  EXPECT_EQ(connector.sent.size(), 2u);
}

TEST_F(TransportTest, AFailedDirectSendWaitsAndGoesFirst) {
  transport.SendDirect("#A1|pw");
  transport.SendText("#K12");
  Fail(0);
  EXPECT_EQ(transport.WaitingCount(), 2u);
  transport.Poll();
  EXPECT_EQ(Last().Data(), "#A1|pw");
  Answer(1);
  EXPECT_EQ(DataSent(), (Strings{"#A1|pw", "#A1|pw", "#K12"}));
}

TEST_F(TransportTest, ANewerDirectSendReplacesAFailedOne) {
  transport.SendDirect("#A1|wrong");
  Fail(0);
  transport.SendDirect("#A1|right");
  Answer(1);
  transport.Poll();
  EXPECT_EQ(DataSent(), (Strings{"#A1|wrong", "#A1|right", "#PING"}));
}

TEST_F(TransportTest, AnOlderDirectSendAnsweredLateDoesNotClearTheNewer) {
  transport.SendDirect("#A1|first");
  transport.SendDirect("#A1|second");
  Answer(0);
  Fail(1);
  EXPECT_EQ(transport.WaitingCount(), 1u);
  transport.Poll();
  EXPECT_EQ(Last().Data(), "#A1|second");
}

TEST_F(TransportTest, LinesReachTheDispatcherInOrderWithTheirLf) {
  transport.Poll();
  Answer(0, "#YU1-a-online\r\n#YU2-b-chat\r\n");
  EXPECT_EQ(host.received, (Strings{"#YU1-a-online\n", "#YU2-b-chat\n", "\n"}));
  EXPECT_EQ(transport.LastResponse().body, "#YU1-a-online\r\n#YU2-b-chat\r\n");
}

TEST_F(TransportTest, AProxysRefusalIsReportedAndTheCommandWaitsForTheNextTry) {
  host.proxy = {true, "proxy", "3128", true, "user", "wrong"};
  for (const char* status : {"407 Proxy Authentication Required", "401 Unauthorized"}) {
    host.events.clear();
    host.received.clear();
    transport.SendText("#S1|hello ");
    transport.Completed(Last().id, std::string("HTTP/1.0 ") + status + "\r\n\r\n#-x");
    EXPECT_TRUE(host.received.empty());
    EXPECT_EQ(host.events, Strings{"proxy refused"});
    const std::size_t sent = connector.sent.size();
    transport.Poll();  // no hammering of the proxy: the command waits for the next call or poll
    EXPECT_EQ(connector.sent.size(), sent + 1);
    EXPECT_EQ(Last().Data(), "#S1|hello ");
    Answer(connector.sent.size() - 1);
  }
  // Straight to the server such an answer is just an unsuccessful one.
  host.proxy = {};
  transport.SendText("#I1");
  transport.Completed(Last().id, "HTTP/1.0 401 Unauthorized\r\n\r\n");
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, ARefusedCommandIsReportedOnceAndNotSentAgain) {
  for (const char* status : {"400 Bad Request", "404 Not Found", "413 Payload Too Large", "302 Found"}) {
    host.events.clear();
    transport.SendText("#S1|typed ");
    transport.Completed(Last().id, std::string("HTTP/1.0 ") + status + "\r\n\r\n#-boom");
    EXPECT_TRUE(host.received.empty()) << status;
    EXPECT_EQ(host.events, Strings{"refused #S1|typed "}) << status;
    EXPECT_EQ(transport.WaitingCount(), 0u) << status;
  }
  // A refused poll has nothing the user typed: no notice every few seconds.
  host.events.clear();
  transport.Poll();
  transport.Completed(Last().id, "HTTP/1.0 400 Bad Request\r\n\r\n");
  EXPECT_TRUE(host.events.empty());
}

TEST_F(TransportTest, AnAnswerThatLeavesTheCommandUndoneKeepsItForTheNextTry) {
  const struct {
    const char* raw;
    Strings events;
  } cases[] = {
      {"HTTP/1.0 500 Internal Server Error\r\n\r\n", {"notice"}},
      {"HTTP/1.0 429 Too Many Requests\r\n\r\n", {"notice"}},
      {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", {"proxy refused"}},
      {"HTTP/1.0 200 OK\r\n", {"error: The server's answer is incomplete"}},
      {"HTTP/1.0 200 OK\r\nContent-Length: 30\r\n\r\n#-half of a li", {"error: The server's answer is incomplete"}},
      {"", {"error: The server's answer is incomplete"}},
      {"\x16\x03garbage\r\n\r\n#-garbage", {"error: The server's answer is not HTTP"}},
  };
  for (const auto& c : cases) {
    host.events.clear();
    host.received.clear();
    transport.SendText("#S1|typed ");
    transport.Completed(Last().id, c.raw);
    EXPECT_EQ(host.events, c.events) << c.raw;
    EXPECT_TRUE(host.received.empty()) << c.raw;
    const std::size_t sent = connector.sent.size();
    transport.Poll();
    ASSERT_EQ(connector.sent.size(), sent + 1) << c.raw;
    EXPECT_EQ(Last().Data(), "#S1|typed ");
    Answer(connector.sent.size() - 1);
    EXPECT_EQ(transport.WaitingCount(), 0u);
  }
}

TEST_F(TransportTest, ACommandAnsweredWithLogInAgainGoesAgainAfterTheRelogin) {
  host.on_line = [&](const std::string& line) {
    if (line == "#0\n") transport.SendDirect("#A1|pw");
  };
  transport.SendText("#S2|typed in the outage ");
  transport.SendText("#S2|and another ");
  Answer(0, "#0");
  Answer(1, "#Anick|Nick\n#U~");
  Answer(2);
  Answer(3);
  EXPECT_EQ(DataSent(), (Strings{"#S2|typed in the outage ", "#A1|pw", "#S2|typed in the outage ",
                                 "#S2|and another "}));
  EXPECT_EQ(transport.WaitingCount(), 0u);

  // A re-login that does not take leaves it undone again: then it waits for the next poll
  // instead of going round in a loop.
  transport.SendText("#S2|third ");
  Answer(4, "#0");
  Answer(5, "#-wrong password");
  Answer(6, "#0");
  Answer(7, "#-wrong password");
  EXPECT_EQ(connector.sent.size(), 8u);
  transport.Poll();
  EXPECT_EQ(Last().Data(), "#S2|third ");
  // A ping answered so has nothing to carry out again.
  Answer(8);
  transport.Poll();
  Answer(9, "#0");
  Answer(10);
  EXPECT_EQ(Last().Data(), "#A1|pw");
  EXPECT_EQ(transport.WaitingCount(), 0u);
}

TEST_F(TransportTest, EveryQueuedCommandIsMarkedOnceAndKeepsItsMarkWhenSentAgain) {
  host.on_line = [&](const std::string& line) {
    if (line == "#0\n") transport.SendDirect("#A1|pw");
  };
  transport.SendText("#S7|first ");
  transport.SendText("#S7|second ");
  Fail(0);  // perhaps after the server had carried it out
  transport.Poll();
  Answer(1, "#0");
  Answer(2, "#Anick|Nick\n#U~");  // the re-login, a direct send: no mark
  Answer(3);
  Answer(4);
  transport.Poll();
  EXPECT_EQ(DataSent(), (Strings{"#S7|first ", "#S7|first ", "#A1|pw", "#S7|first ", "#S7|second ", "#PING"}));
  EXPECT_EQ(HeadersSent("Command"), (Strings{"4294967298.1", "4294967298.1", "", "4294967298.1", "4294967298.2",
                                             "4294967298.4"}));
}

TEST_F(TransportTest, TheReloginAnswerIsDispatchedBeforeTheLinesAfterIt) {
  host.on_line = [&](const std::string& line) {
    if (line == "#0\n") transport.SendDirect("#A1|pw");
  };
  transport.Poll();                 // request 0, answered late
  transport.SendDirect("#A1|pw");  // request 1
  Answer(1, "#-one\n#0\n#-two\n#0\n#-three");
  EXPECT_EQ(host.received, (Strings{"#-one\n", "#0\n"}));
  // An unrelated answer arriving meanwhile waits behind the held lines.
  Answer(0, "#-late");
  EXPECT_EQ(host.received.size(), 2u);
  Answer(2, "#Anick|Nick\n#U~");
  EXPECT_EQ(host.received, (Strings{"#-one\n", "#0\n", "#Anick|Nick\n", "#U~\n", "#-two\n", "#0\n"}));
  Fail(3);
  EXPECT_EQ(host.received, (Strings{"#-one\n", "#0\n", "#Anick|Nick\n", "#U~\n", "#-two\n", "#0\n",
                                    "#-three\n", "#-late\n"}));
  EXPECT_EQ(DataSent(), (Strings{"#PING", "#A1|pw", "#A1|pw", "#A1|pw"}));
}

TEST_F(TransportTest, AnswersArrivingInsideADispatchedLineKeepTheirOrder) {
  // A line may open a modal loop (an error box) in which another answer is handled.
  host.on_line = [&](const std::string& line) {
    if (line == "#-modal\n") Answer(1, "#-inner");
  };
  transport.Poll();
  transport.SendDirect("#A1|pw");
  Answer(0, "#-modal\n#-after");
  EXPECT_EQ(host.received, (Strings{"#-modal\n", "#-after\n", "#-inner\n"}));
}

TEST_F(TransportTest, AnInvalidProxyPortReportsAndKeepsTheCommand) {
  host.proxy = {true, "proxy", "eighty", false, "", ""};
  transport.SendText("#S1|hi ");
  EXPECT_TRUE(connector.sent.empty());
  EXPECT_EQ(host.events, (Strings{"error: 'eighty' is not a valid integer value"}));
  host.proxy.port = "8080";
  transport.Poll();
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(Last().Data(), "#S1|hi ");
  EXPECT_EQ(Last().destination, (Endpoint{"proxy", 8080}));
  // With the box cleared afterwards the next request goes straight to the server.
  host.proxy.use_proxy = false;
  Answer(0);
  transport.Poll();
  EXPECT_EQ(Last().destination, (Endpoint{"127.0.0.1", 5190}));
  EXPECT_EQ(Last().bytes.find("Proxy-"), std::string::npos);
}

TEST_F(TransportTest, NothingHappensAfterShutdown) {
  host.on_line = [&](const std::string& line) {
    if (line == "#D\n") transport.Shutdown();
  };
  transport.SendText("#D");
  transport.SendText("#S1|lost on purpose ");
  Answer(0, "#D\n#-never shown");
  EXPECT_EQ(host.received, (Strings{"#D\n"}));
  transport.Poll();
  transport.SendDirect("#A1|x");
  EXPECT_EQ(connector.sent.size(), 1u);
}

TEST(SessionId, StaysBelowItsBoundAndIsUniform) {
  std::uint32_t next = 0;
  const RandomWords counter = [&] { return next++; };
  EXPECT_EQ(RandomSessionId(kLoginSessionBound, counter), "0");
  next = kLoginSessionBound - 1;
  EXPECT_EQ(RandomSessionId(kLoginSessionBound, counter), "4967295");
  next = kLoginSessionBound;
  EXPECT_EQ(RandomSessionId(kLoginSessionBound, counter), "0");

  // Words in the uneven tail above the last whole multiple are drawn again.
  std::vector<std::uint32_t> words = {0xFFFFFFFFu, 12345u};
  std::size_t index = 0;
  const RandomWords scripted = [&] { return words[index++]; };
  EXPECT_EQ(RandomSessionId(kReloginSessionBound, scripted), "12345");
  EXPECT_EQ(index, 2u);
}

}  // namespace
}  // namespace ozl::protocol

// Several nodes on one store, joined by a bus that hands every node every event
// in one order, as PostgreSQL's notifications do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <thread>

#include "bus.h"
#include "chat.h"
#include "postgres_bus.h"
#include "test_store.h"

namespace ozl::server {
namespace {

using test_support::OpenTestStore;

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Lines = std::vector<std::string>;

struct Hub {
  std::vector<std::string> events;
};

class HubBus : public Bus {
 public:
  explicit HubBus(Hub& hub) : hub_(hub), read_(hub.events.size()) {}
  void Publish(std::string event) override { waiting_.push_back(std::move(event)); }
  void Exchange(const Receiver& receive) override {
    do {
      for (std::string& event : waiting_) hub_.events.push_back(std::move(event));
      waiting_.clear();
      while (read_ < hub_.events.size()) receive(std::string(hub_.events[read_++]));
    } while (!waiting_.empty());
  }

 private:
  Hub& hub_;
  std::size_t read_;
  std::vector<std::string> waiting_;
};

struct Node {
  Node(Hub& hub, const test_support::TempDir& dir)
      : store(OpenTestStore(dir, "community.db")), bus(hub), chat(*store, {}, &bus) {}
  std::unique_ptr<Store> store;
  HubBus bus;
  Chat chat;
};

std::string Key(int client) { return Chat::ClientKey("10.0.0." + std::to_string(client), "4711"); }

class ClusterTest : public ::testing::Test {
 protected:
  ClusterTest() {
    for (int i = 0; i < 2; ++i) StartNode();
    for (const char* nick : {"Anna", "Boris", "Clara"}) users_.push_back(Register(nick));
  }

  Node& StartNode() { return *nodes_.emplace_back(std::make_unique<Node>(hub_, dir_)); }

  Lines Send(int node, int client, const std::string& command) {
    Chat& chat = nodes_[node]->chat;
    Outcome outcome = chat.Handle(Key(client), command, now_);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      work->task.Run(PasswordCost::kMinimal);
      outcome = chat.Finish(std::move(*work), now_);
    }
    const Answer answer = std::get<Answer>(outcome);
    chat.Delivered(answer.stored_messages);
    Lines lines;
    const std::string body = answer.Whole();
    for (std::size_t start = 0; start < body.size();) {
      const std::size_t end = body.find("\r\n", start);
      lines.push_back(body.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  UserId Register(const std::string& nick) {
    const Lines lines = Send(0, 99, "#R" + nick + "|I|P|I|m|K|pw|m|a|chat_" + nick);
    return static_cast<UserId>(std::stoul(lines.at(0).substr(2)));
  }

  // User i logs in from client i.
  Lines Login(int node, int user) { return Send(node, user, "#A" + std::to_string(users_[user]) + "|pw"); }
  Lines Poll(int node, int user) { return Send(node, user, "#PING"); }
  std::string Id(int user) const { return std::to_string(users_[user]); }

  // Time passes for the nodes still running.
  void Wait(std::chrono::seconds seconds, std::initializer_list<int> running) {
    now_ += seconds;
    for (const int node : running) nodes_[node]->chat.ExpireIdle(now_);
  }

  test_support::TempDir dir_;
  Hub hub_;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::vector<UserId> users_;
  Clock::time_point now_ = Clock::time_point{} + std::chrono::hours(1);
};

TEST(BusEvent, AnyBytesTravelAsPlainTextAndForeignTextIsRefused) {
  const BusEvent event{0xfedcba9876543210, 7, 'C', {"#CАнна|a b%c'd\\e\r\n", "", "%"}};
  const std::string text = Encode(event);
  for (const char c : text) EXPECT_TRUE(c >= ' ' && c < 0x7f && c != '\'' && c != '\\') << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), ' '), 4) << text;
  EXPECT_EQ(Decode(text), event);
  for (const char* foreign : {"", "x", "1.2", "zz.1 C", "1.2 C %4", "1.2 C %G0", "1.x C"}) {
    EXPECT_EQ(Decode(foreign), std::nullopt) << foreign;
  }
}

TEST_F(ClusterTest, PresenceContactsInformationAndSearchReachAcrossNodes) {
  Login(0, 0);
  const Lines boris = Login(1, 1);
  EXPECT_THAT(boris.at(1), HasSubstr(Id(0) + "-Anna-online"));
  EXPECT_THAT(Poll(0, 0), Contains("#YU" + Id(1) + "-Boris-online"));
  EXPECT_THAT(Send(0, 0, "#K1" + Id(1)), ElementsAre("#K1" + Id(1) + "-Boris-online"));
  EXPECT_THAT(Send(0, 0, "#I" + Id(1)).at(0), HasSubstr("|online"));
  EXPECT_THAT(Send(0, 0, "#P|||||||chat_Boris"), ElementsAre("#P" + Id(1) + "-Boris-online|"));
  Send(1, 1, "#E1");
  EXPECT_THAT(Poll(0, 0), ElementsAre("#YU" + Id(1) + "-Boris-chat", "#YK" + Id(1) + "-Boris-chat"));
}

TEST_F(ClusterTest, PrivateMessagesReachAnotherNodeExactlyOnce) {
  Login(0, 0);
  Login(1, 1);
  Send(0, 0, "#S" + Id(1) + "|hello");
  EXPECT_THAT(Poll(1, 1), Contains("#S" + Id(0) + "|Anna|hello"));
  EXPECT_THAT(Poll(1, 1), IsEmpty());

  // Stored while Clara's login on the other node waits for its password check.
  Outcome started = nodes_[1]->chat.Handle(Key(2), "#A" + Id(2) + "|pw", now_);
  Send(0, 0, "#S" + Id(2) + "|meanwhile");
  auto& work = std::get<PasswordWork>(started);
  work.task.Run(PasswordCost::kMinimal);
  const Answer login = nodes_[1]->chat.Finish(std::move(work), now_);
  nodes_[1]->chat.Delivered(login.stored_messages);
  EXPECT_THAT(login.Whole(), HasSubstr("#S" + Id(0) + "|Anna|meanwhile"));
  EXPECT_THAT(Poll(1, 2), IsEmpty());
}

TEST_F(ClusterTest, EveryRoomHearsTheGeneralChatInOneOrder) {
  Login(0, 0);
  Login(1, 1);
  Send(0, 0, "#E1");
  Send(1, 1, "#E1");
  Poll(0, 0);
  Poll(1, 1);
  Lines anna;
  Lines boris;
  const auto keep = [](Lines& heard, const Lines& lines) {
    for (const std::string& line : lines) {
      if (line.starts_with("#C")) heard.push_back(line);
    }
  };
  for (int i = 0; i < 3; ++i) {
    keep(anna, Send(0, 0, "#Cfrom Anna " + std::to_string(i)));
    keep(boris, Send(1, 1, "#Cfrom Boris " + std::to_string(i)));
  }
  keep(anna, Poll(0, 0));
  keep(boris, Poll(1, 1));
  EXPECT_EQ(anna.size(), 6u);
  EXPECT_EQ(anna, boris);
}

TEST_F(ClusterTest, ADeadNodesUsersGoOfflineAfterTheIdleTimeoutAndThoseWhoComeBackNever) {
  Login(0, 0);
  Login(0, 2);
  Login(1, 1);
  Poll(1, 1);
  // Node 0 is killed. Anna comes back on node 1 at once; Clara does not.
  Login(1, 0);
  Lines seen;
  for (int second = 5; second <= 55; second += 5) {
    Wait(std::chrono::seconds(5), {1});
    for (const std::string& line : Poll(1, 1)) seen.push_back(line);
    Poll(1, 0);
    if (second == 40) EXPECT_THAT(seen, IsEmpty()) << "nobody goes offline before the idle timeout";
  }
  EXPECT_THAT(seen, ElementsAre("#YU" + Id(2) + "-Clara-offline"));
}

TEST_F(ClusterTest, ALoginOnAnotherNodeEndsTheClientOnTheFirst) {
  Login(0, 0);
  Login(1, 0);
  EXPECT_THAT(Poll(0, 0), ElementsAre(HasSubstr("#-"), "#D"));
  EXPECT_THAT(Poll(1, 0), IsEmpty());
  EXPECT_EQ(nodes_[0]->chat.online_count(), 1u);
}

TEST_F(ClusterTest, ANodeStartedLaterLearnsWhoIsOnline) {
  Login(0, 0);
  StartNode();
  Wait(std::chrono::seconds(0), {2, 0});  // the new node says it started; the others answer
  EXPECT_THAT(Login(2, 1).at(1), HasSubstr(Id(0) + "-Anna-online"));
}

// Against a real PostgreSQL when the test run has one.
TEST(PostgresBus, EveryNodeHearsEveryEventInOneOrderItsOwnAtOnce) {
  const char* uri = std::getenv("OZL_TEST_POSTGRES");
  if (uri == nullptr) GTEST_SKIP() << "no PostgreSQL for this run";
  PostgresBus first(uri, "bus_test");
  PostgresBus second(uri, "bus_test");
  Lines heard_first;
  Lines heard_second;
  const auto hear = [](Lines& heard) { return [&heard](std::string_view event) { heard.emplace_back(event); }; };
  for (int i = 0; i < 20; ++i) {
    PostgresBus& bus = i % 3 == 0 ? second : first;
    Lines& heard = i % 3 == 0 ? heard_second : heard_first;
    bus.Publish("same event");
    bus.Publish(std::to_string(i));
    bus.Exchange(hear(heard));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), std::to_string(i)) << "a node hears its own events before the exchange returns";
  }
  for (int tries = 0; tries < 100 && (heard_first.size() < 40 || heard_second.size() < 40); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    first.Exchange(hear(heard_first));
    second.Exchange(hear(heard_second));
  }
  EXPECT_EQ(heard_first.size(), 40u);
  EXPECT_EQ(heard_first, heard_second);
}

}  // namespace
}  // namespace ozl::server

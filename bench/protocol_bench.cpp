// How the incoming side copes with a busy server: a full online list of 100,000 users and the
// presence changes against it, one 10 MB answer of 100,000 lines, and 10,000 history rows on disk.
// Run the release build: build/<dir>/protocol_bench
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../tests/core/fake_world.h"
#include "protocol/response.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kOnlineUsers = 100'000;
constexpr int kPresenceChanges = 10'000;
constexpr int kResponseLines = 100'000;
constexpr std::size_t kLineLength = 100;
constexpr int kHistoryRows = 10'000;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double milliseconds, int operations) {
  std::printf("%-58s %10.1f ms  %8.2f us each\n", what, milliseconds, milliseconds * 1000.0 / operations);
}

const char* Status(std::mt19937& random) {
  const unsigned roll = random() % 10;
  return roll == 0 ? "chat" : roll == 1 ? "offline" : "online";
}

std::string Padded(std::string line) {
  if (line.size() < kLineLength) line.append(kLineLength - line.size(), 'x');
  return line;
}

void OnlineListAndPresence() {
  std::mt19937 random(1);
  std::string online_part;
  for (int user = 0; user < kOnlineUsers; ++user) {
    online_part += std::to_string(100000 + user) + "-nick" + std::to_string(user) + "-" +
                   (random() % 10 == 0 ? "chat" : "online") + "|";
  }
  std::vector<std::string> changes;
  for (int change = 0; change < kPresenceChanges; ++change) {
    // Mostly users already listed, some newcomers.
    const int user = static_cast<int>(random() % (kOnlineUsers + kOnlineUsers / 10));
    changes.push_back("#YU" + std::to_string(100000 + user) + "-nick" + std::to_string(user) + "-" +
                      Status(random) + "\n");
  }

  ozl::fakes::FakeWorld world;
  auto start = Clock::now();
  world.Receive("#U" + online_part + "~\n");
  Report("LoadOnline, 100,000 entries (one #U line)", MillisecondsSince(start), kOnlineUsers);

  start = Clock::now();
  for (const std::string& change : changes) world.Receive(change);
  Report("#YU against it, 10,000 changes (update + chat list)", MillisecondsSince(start), kPresenceChanges);
  std::printf("    online rows after: %zu, chat participants: %zu\n", world.lists.Online().RowCount(),
              world.lists.ChatList().size());
}

void LargeResponse() {
  std::mt19937 random(2);
  std::string body;
  for (int line = 0; line < kResponseLines; ++line) {
    const std::string user = std::to_string(100000 + random() % kOnlineUsers);
    switch (line % 10) {
      case 0: case 1: case 2: case 3: case 4:
        body += Padded("#YU" + user + "-nick" + user + "-" + Status(random) + "-");
        break;
      case 5: case 6:
        body += Padded("#Cnick" + user + "|a line for the general chat ");
        break;
      case 7:
        body += Padded("#K1" + user + "-nick" + user + "-online-");
        break;
      case 8:
        body += Padded("#S" + std::to_string(1 + random() % 100) + "|nick|a private message ");
        break;
      default:
        body += Padded("#Inick" + user + "|Ivan|Ivanov|Ivanovich|Kazan|kot|m|");
    }
    body += "\r\n";
  }

  ozl::fakes::FakeWorld world;
  std::string online_part;
  for (int user = 0; user < kOnlineUsers; ++user) {
    online_part += std::to_string(100000 + user) + "-nick" + std::to_string(user) + "-online|";
  }
  world.Receive("#U" + online_part + "~\n");

  auto start = Clock::now();
  const std::vector<std::string> lines = ozl::protocol::SplitBody(body);
  const double split = MillisecondsSince(start);
  start = Clock::now();
  for (const std::string& line : lines) world.Receive(line);
  const double dispatch = MillisecondsSince(start);
  std::printf("10 MB answer: %.1f MB, %zu lines; 50%% #YU, 20%% #C, 10%% #K1, 10%% #S to 100 ids, 10%% #I\n",
              static_cast<double>(body.size()) / 1e6, lines.size());
  Report("  split into lines", split, kResponseLines);
  Report("  dispatched (100,000 online; history in memory)", dispatch, kResponseLines);
  Report("  split and dispatched", split + dispatch, kResponseLines);
}

void HistoryRows() {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "ozl-protocol-bench";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  ozl::protocol::StdFileSystem files(root);
  ozl::fakes::FixedClock clock;
  ozl::protocol::HistoryWriter writer(files, clock);
  const std::string text = "a private message of a usual length, with <markup> & \"quotes\"";

  auto start = Clock::now();
  for (int row = 0; row < kHistoryRows; ++row) {
    writer.Append("12345", "nick", text,
                  row == 0 ? ozl::protocol::RowColour::kWindowOpened : ozl::protocol::RowColour::kWindowAlreadyOpen);
  }
  Report("History, 10,000 rows appended to one file on disk", MillisecondsSince(start), kHistoryRows);
  std::printf("    file size: %ju bytes\n",
              static_cast<std::uintmax_t>(std::filesystem::file_size(root / "HISTORY" / "12345.htm")));
  std::filesystem::remove_all(root);
}

}  // namespace

int main() {
  OnlineListAndPresence();
  LargeResponse();
  HistoryRows();
}

// The real program over many cycles of message windows, notices and re-shaping: what leaks shows
// as a live count above its start or as private memory that keeps growing. `make test` runs a
// short version; OZL_LONGRUN_CYCLES=1000 (`make longrun`) the long one, whose figures it prints.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "windows/send_form.h"
#include "platform/handles.h"
#include "program_fixture.h"

namespace ozl {
namespace {

constexpr int kShortRunCycles = 100;
constexpr int kWarmUpCycles = 100;
constexpr int kMessagesPerWindow = 10;
constexpr int kCorrespondents = 8;

int Cycles() {
  wchar_t text[16] = {};
  if (GetEnvironmentVariableW(L"OZL_LONGRUN_CYCLES", text, 16) == 0) return kShortRunCycles;
  return std::max(1, _wtoi(text));
}

// Committed private pages, walked region by region: Wine reports PrivateUsage as 0.
std::size_t PrivateBytes() {
  std::size_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (auto* at = static_cast<const char*>(nullptr); VirtualQuery(at, &region, sizeof region) != 0;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const auto* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

// Under Wine, the resident anonymous memory of the whole process, Wine's own Unix side included
// (which VirtualQuery does not see); 0 elsewhere.
std::size_t UnixAnonymousBytes() {
  const std::string status = FileBytes(L"Z:\\proc\\self\\status");
  const std::size_t at = status.find("RssAnon:");
  return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 8, nullptr, 10) * 1024;
}

class LongRunTest : public ProgramTest {
 protected:
  ~LongRunTest() override {
    for (int k = 0; k < kCorrespondents; ++k) std::filesystem::remove("HISTORY/" + Id(k) + ".htm");
  }

  static std::string Id(int k) {
    return std::to_string(880000 + GetCurrentProcessId() % 1000 * 10 + k);
  }

  // A message window opened by the first of its messages and closed with its button, a notice
  // shown and closed, and the login window re-shaped by a resize.
  void Cycle(int cycle) {
    const std::string id = Id(cycle % kCorrespondents);
    std::string body;
    for (int k = 0; k < kMessagesPerWindow; ++k) {
      body += "#S" + id + "|Kot|message " + std::to_string(k) + "\n";
    }
    body += "#-notice " + std::to_string(cycle) + "\n";
    ServerSays(body);
    const HWND found = FindWindowW(nullptr, platform::Widen(id).c_str());
    auto* window = dynamic_cast<TSendForm*>(platform::Window::FromHandle(found));
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->Mreceive.Lines().size(), static_cast<std::size_t>(kMessagesPerWindow));
    if (cycle == 0) {
      // The counts see the open window: a run that leaves them at their start proves something.
      const std::map<std::string, long> open = platform::LiveObjects::ByKind();
      for (const char* kind : {"window", "bitmap", "region"}) {
        EXPECT_GT(open.at(kind), at_start.at(kind)) << kind;
      }
    }
    window->Bcloseclick();
    ASSERT_TRUE(info().visible());
    Click(info().Psystemmenu.hwnd(), 7, 6);
    RECT bounds{};
    GetWindowRect(start().hwnd(), &bounds);
    SetWindowPos(start().hwnd(), nullptr, 0, 0, bounds.right - bounds.left + (cycle % 2 ? -1 : 1),
                 bounds.bottom - bounds.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    platform::PumpWaitingMessages();
    // The fixture's own records would grow with the run.
    connector.sent.clear();
    sounds.clear();
  }

  const std::map<std::string, long> at_start = platform::LiveObjects::ByKind();
};

TEST_F(LongRunTest, WindowsNoticesAndShapesGiveBackWhatTheyTake) {
  const int cycles = Cycles();
  const int warm_up = std::min(kWarmUpCycles, cycles / 2);
  const auto started = std::chrono::steady_clock::now();
  const std::size_t private_at_start = PrivateBytes(), unix_at_start = UnixAnonymousBytes();
  std::size_t after_warm_up = private_at_start, unix_after_warm_up = unix_at_start;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    Cycle(cycle);
    if (HasFatalFailure()) return;
    if (cycle + 1 == warm_up) after_warm_up = PrivateBytes(), unix_after_warm_up = UnixAnonymousBytes();
  }
  const std::size_t at_end = PrivateBytes(), unix_at_end = UnixAnonymousBytes();
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
  const std::map<std::string, long> live_at_end = platform::LiveObjects::ByKind();
  std::printf("[ long run ] %d cycles (%d windows, %d messages, %d notices, %d re-shapes) in %.1f s\n",
              cycles, cycles, cycles * kMessagesPerWindow, cycles, cycles, seconds.count());
  std::printf("[ long run ] private memory KB: %zu at start, %zu after %d cycles, %zu after %d\n",
              private_at_start / 1024, after_warm_up / 1024, warm_up, at_end / 1024, cycles);
  std::printf("[ long run ] Unix anonymous memory KB: %zu, %zu, %zu\n", unix_at_start / 1024,
              unix_after_warm_up / 1024, unix_at_end / 1024);
  for (const auto& [kind, count] : live_at_end) {
    std::printf("[ long run ] live %-9s %ld at start, %ld at end\n", kind.c_str(), at_start.at(kind),
                count);
  }
  EXPECT_EQ(live_at_end, at_start);
  EXPECT_TRUE(errors.empty());
  EXPECT_LT(static_cast<long long>(at_end) - static_cast<long long>(after_warm_up), 1 << 20);
}

}  // namespace
}  // namespace ozl

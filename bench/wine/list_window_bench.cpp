// The list window against a busy server, under Wine: the real program's windows with the list
// window shown, the server's lines handed to the dispatcher as a response would hand them.
//   - "#U" with N online users, up to the first complete paint of the list window;
//   - 10,000 "#YU" changes (statuses of users in and out of view, users joining and leaving)
//     while the window is shown, up to the repaint that follows them;
//   - the same changes again with the general chat shown as well, whose participants follow them;
//   - one scroll step of the online grid (a click on its scroll bar's arrow) with its repaint.
// Each for several table sizes, to show how the cost grows. Run it with
//   scripts/build mingw-i686 && scripts/wine-run build/mingw-i686/list_window_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "clock.h"
#include "windows/chat_form.h"
#include "windows/list_form.h"
#include "platform/effects.h"
#include "platform/message_loop.h"
#include "support/recording_connector.h"

namespace {

using ozl::Program;

using ozl::bench::Now;

std::string OnlineLine(int users) {
  std::string line = "#U";
  line.reserve(static_cast<std::size_t>(users) * 24);
  for (int user = 0; user < users; ++user) {
    line += std::to_string(100000 + user) + "-nick" + std::to_string(user) + (user % 3 == 0 ? "-chat|" : "-online|");
  }
  return line + "~\n";
}

// Changes as a busy server sends them: most are status changes anywhere in the list, some users
// join at the end, some leave (their row is replaced by the last one).
std::vector<std::string> PresenceChanges(int users, int count) {
  std::vector<std::string> lines;
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  int joined = 0;
  for (int i = 0; i < count; ++i) {
    const unsigned kind = next() % 10;
    if (kind < 7) {
      const int user = static_cast<int>(next() % static_cast<unsigned>(users));
      lines.push_back("#YU" + std::to_string(100000 + user) + "-nick" + std::to_string(user) +
                      (next() % 2 ? "-chat\n" : "-online\n"));
    } else if (kind < 9) {
      lines.push_back("#YU" + std::to_string(900000 + joined) + "-new" + std::to_string(joined) + "-online\n");
      ++joined;
    } else {
      lines.push_back("#YU" + std::to_string(100000 + static_cast<int>(next() % static_cast<unsigned>(users))) +
                      "-x-offline\n");
    }
  }
  return lines;
}

void PaintNow(ozl::TListForm& list) {
  UpdateWindow(list.hwnd());
  UpdateWindow(list.SGonline.hwnd());
  ozl::platform::PumpWaitingMessages();
}

struct Figures {
  double load_to_paint = 0;
  double changes_to_paint = 0;
  double changes_with_chat = 0;
  double scroll_step_mean = 0;
  double scroll_step_worst = 0;
};

Figures Measure(int users, int changes) {
  ozl::testing_support::RecordingConnector connector;
  Program program(connector);
  program.Start();
  ozl::platform::PumpWaitingMessages();
  program.session.ReceiveText("#Akot|Kot\n");
  ozl::TListForm& list = *program.ListForm;
  PaintNow(list);

  Figures figures;
  const std::string online = OnlineLine(users);
  double start = Now();
  program.session.ReceiveText(online);
  PaintNow(list);
  figures.load_to_paint = Now() - start;

  const std::vector<std::string> lines = PresenceChanges(users, changes);
  start = Now();
  for (const std::string& line : lines) program.session.ReceiveText(line);
  PaintNow(list);
  figures.changes_to_paint = Now() - start;

  program.ChatForm->Show();
  PaintNow(list);
  start = Now();
  for (const std::string& line : lines) program.session.ReceiveText(line);
  PaintNow(list);
  UpdateWindow(program.ChatForm->ListBox1.hwnd());
  figures.changes_with_chat = Now() - start;
  program.ChatForm->Hide();

  constexpr int kSteps = 200;
  double total = 0;
  // A click on the scroll bar's lower arrow.
  const RECT bar = list.SGonline.ScrollBarRect();
  const LPARAM arrow = MAKELPARAM((bar.left + bar.right) / 2, bar.bottom - 3);
  for (int step = 0; step < kSteps; ++step) {
    start = Now();
    SendMessageW(list.SGonline.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    SendMessageW(list.SGonline.hwnd(), WM_LBUTTONUP, 0, arrow);
    UpdateWindow(list.SGonline.hwnd());
    const double took = Now() - start;
    total += took;
    figures.scroll_step_worst = std::max(figures.scroll_step_worst, took);
  }
  figures.scroll_step_mean = total / kSteps;
  return figures;
}

}  // namespace

int main() {
  // Sounds and boxes would only slow the measurement.
  ozl::platform::effects().play_sound = [](const std::string&) {};
  ozl::platform::effects().error_box = [](const std::string& text) { std::printf("error: %s\n", text.c_str()); };
  std::printf("%8s %8s  %14s  %15s  %19s  %s\n", "users", "changes", "#U to paint ms",
              "#YU to paint ms", "the same, chat shown", "scroll step ms");
  for (const auto& [users, changes] : {std::pair{1000, 10000}, {10000, 10000}, {50000, 10000},
                                      {100000, 1000}, {100000, 5000}, {100000, 10000}}) {
    const Figures figures = Measure(users, changes);
    std::printf("%8d %8d  %14.1f  %15.1f  %19.1f  %.2f (worst %.2f)\n", users, changes,
                figures.load_to_paint, figures.changes_to_paint, figures.changes_with_chat,
                figures.scroll_step_mean, figures.scroll_step_worst);
  }
  return 0;
}

// One very long line from the server, under Wine: the time from its arrival to the repaint of the
// window that shows it, for the general chat (shown), a message window, a notice and the user
// information. The lengths are the arguments (characters; default 16000 100000 1000000). Run it with
//   scripts/build mingw-x86_64:long_line_bench && scripts/wine-run build/mingw-x86_64/long_line_bench.exe
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "clock.h"
#include "windows/start_form.h"
#include "windows/chat_form.h"
#include "windows/info_form.h"
#include "windows/user_info_form.h"
#include "platform/effects.h"
#include "platform/message_loop.h"
#include "support/recording_connector.h"

namespace {

using ozl::bench::Now;

// Words of ten letters and a blank, as a line pasted many times over.
std::string Text(std::size_t length) {
  std::string text;
  text.reserve(length);
  while (text.size() < length) text += text.size() % 11 == 10 ? ' ' : static_cast<char>('a' + text.size() % 11);
  return text;
}

BOOL CALLBACK Repaint(HWND window, LPARAM) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

void RepaintAll() {
  EnumThreadWindows(GetCurrentThreadId(), &Repaint, 0);
  ozl::platform::PumpWaitingMessages();
}

// The window has shown a short line first, so that its making and first showing are not counted.
double Measure(ozl::Program& program, const std::string& head, const std::string& text, const std::string& tail = "") {
  program.session.ReceiveText(head + "short" + tail + "\n");
  RepaintAll();
  const double start = Now();
  program.session.ReceiveText(head + text + tail + "\n");
  RepaintAll();
  return Now() - start;
}

}  // namespace

int main(int argc, char** argv) {
  ozl::platform::effects().play_sound = [](const std::string&) {};
  ozl::platform::effects().error_box = [](const std::string& text) { std::printf("error: %s\n", text.c_str()); };
  std::vector<std::size_t> lengths;
  for (int i = 1; i < argc; ++i) lengths.push_back(std::strtoul(argv[i], nullptr, 10));
  if (lengths.empty()) lengths = {16000, 100000, 1000000};

  std::printf("%10s  %12s  %15s  %10s  %14s\n", "characters", "chat ms", "message ms", "notice ms",
              "user info ms");
  for (const std::size_t length : lengths) {
    ozl::testing_support::RecordingConnector connector;
    ozl::Program program(connector);
    program.Start();
    ozl::platform::PumpWaitingMessages();
    program.session.ReceiveText("#Akot|Kot\n");
    program.ChatForm->Show();
    RepaintAll();
    const std::string text = Text(length);
    const double chat = Measure(program, "#CZayka|", text);
    const double message = Measure(program, "#S10002|Zayka|", text);
    const double notice = Measure(program, "#-", text);
    const double user_info = Measure(program, "#IZayka|a|b|c|d|e|f|", text, "|online|");
    std::printf("%10zu  %12.1f  %15.1f  %10.1f  %14.1f\n", length, chat, message, notice, user_info);
  }
  return 0;
}

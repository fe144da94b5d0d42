// The real windows of the program, talking to a recording connector, with sounds, the browser
// and the error box recorded instead of performed.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/start_form.h"
#include "directory/info_form.h"
#include "platform/effects.h"
#include "platform/message_loop.h"
#include "support/recording_connector.h"

namespace ozl {

class ProgramTest : public testing::Test {
 protected:
  ProgramTest() {
    saved_effects_ = platform::effects();
    platform::effects().play_sound = [this](const std::string& command) { sounds.push_back(command); };
    platform::effects().open_url = [this](const std::string& url, HWND) { urls.push_back(url); };
    platform::effects().error_box = [this](const std::string& text) { errors.push_back(text); };
    program = std::make_unique<Program>(connector);
    program->Start();
    platform::PumpWaitingMessages();
  }
  ~ProgramTest() override {
    program.reset();
    platform::PumpWaitingMessages();
    platform::effects() = saved_effects_;
  }

  TStartForm& start() { return *program->StartForm; }
  TInfoForm& info() { return *program->InfoForm; }

  // A left click at a point of a window's client area, as the mouse would make it.
  static void Click(HWND window, int x, int y, bool right = false) {
    const LPARAM at = MAKELPARAM(x, y);
    SendMessageW(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
    SendMessageW(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    platform::PumpWaitingMessages();
  }

  // The server's answer to a poll, dispatched through the real transport.
  void ServerSays(const std::string& body) {
    start().transport().Poll();
    ASSERT_FALSE(connector.sent.empty());
    start().transport().Completed(connector.sent.back().id, "HTTP/1.0 200 OK\r\n\r\n" + body);
    platform::PumpWaitingMessages();
  }

  // The bounds of a child window in its parent's client coordinates.
  static RECT ChildBounds(HWND child) {
    RECT bounds{};
    GetWindowRect(child, &bounds);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
  }

  testing_support::RecordingConnector connector;
  std::unique_ptr<Program> program;
  std::vector<std::string> sounds;
  std::vector<std::string> urls;
  std::vector<std::string> errors;

 private:
  platform::Effects saved_effects_;
};

}  // namespace ozl

// The real windows of the program, talking to a recording connector, with sounds, the browser
// and the error box recorded instead of performed.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/program.h"
#include "app/session.h"
#include "windows/start_form.h"
#include "windows/info_form.h"
#include "platform/effects.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "support/recording_connector.h"

namespace ozl {

// A fresh folder that is the working folder while it lives, for tests of the files the program
// finds or leaves there.
class WorkingFolder {
 public:
  WorkingFolder() {
    static int count = 0;
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    path_ = previous_ + L"\\folder_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++count);
    CreateDirectoryW(path_.c_str(), nullptr);
    SetCurrentDirectoryW(path_.c_str());
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  ~WorkingFolder() {
    SetCurrentDirectoryW(previous_.c_str());
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
  }

 private:
  std::wstring previous_;
  std::wstring path_;
};

// The whole of a file, or nothing when it cannot be opened.
inline std::string FileBytes(const wchar_t* path) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// A top-level window of another thread, standing for another program's window on the desktop.
class ForeignWindow {
 public:
  ForeignWindow(const std::wstring& title, RECT place) {
    std::promise<std::pair<HWND, DWORD>> made;
    std::future<std::pair<HWND, DWORD>> result = made.get_future();
    thread_ = std::thread([&made, title, place] {
      const HWND window = CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP | WS_VISIBLE, place.left,
                                          place.top, place.right - place.left, place.bottom - place.top,
                                          nullptr, nullptr, nullptr, nullptr);
      made.set_value({window, GetCurrentThreadId()});
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      DestroyWindow(window);
    });
    std::tie(hwnd_, thread_id_) = result.get();
  }
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;
  ~ForeignWindow() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  std::thread thread_;
  HWND hwnd_ = nullptr;
  DWORD thread_id_ = 0;
};

// Whether `upper` is above `lower` in the stacking of top-level windows.
inline bool Above(HWND upper, HWND lower) {
  for (HWND below = GetWindow(upper, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT)) {
    if (below == lower) return true;
  }
  return false;
}

class ProgramTest : public testing::Test {
 protected:
  ProgramTest() : ProgramTest(true) {}
  // Without `launch` the test starts the program itself, with Launch.
  explicit ProgramTest(bool launch) {
    saved_effects_ = platform::effects();
    platform::effects().play_sound = [this](const std::string& command) { sounds.push_back(command); };
    platform::effects().open_url = [this](const std::string& url, HWND) { urls.push_back(url); };
    platform::effects().error_box = [this](const std::string& text) { errors.push_back(text); };
    platform::effects().confirm = [this](const std::string& question, HWND) {
      questions.push_back(question);
      return confirm_answer;
    };
    platform::effects().track_popup = [this](HMENU menu, POINT at, HWND) {
      menus.push_back({at, MenuCaptions(menu)});
      return popup_choice;
    };
    if (!launch) return;
    // The folder holds the help file, as after a first start: no help window waits for a click.
    if (GetFileAttributesW(L"readme.txt") == INVALID_FILE_ATTRIBUTES) {
      CloseHandle(CreateFileW(L"readme.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    Launch();
  }
  void Launch() {
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
  Session& session() { return program->session; }
  // The effects as the program performs them, not recorded.
  const platform::Effects& real_effects() const { return saved_effects_; }
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
    session().transport().Poll();
    ASSERT_FALSE(connector.sent.empty());
    session().transport().Completed(connector.sent.back().id, "HTTP/1.0 200 OK\r\n\r\n" + body);
    platform::PumpWaitingMessages();
  }

  // The commands of the requests made since the last call, polls left out, each answered with an
  // empty body, so that commands waiting behind them leave too.
  std::vector<std::string> CommandsSent() {
    std::vector<std::string> commands;
    for (; answered_ < connector.sent.size(); ++answered_) {
      if (connector.sent[answered_].Data() != "#PING") commands.push_back(connector.sent[answered_].Data());
      session().transport().Completed(connector.sent[answered_].id, "HTTP/1.0 200 OK\r\n\r\n");
    }
    platform::PumpWaitingMessages();
    return commands;
  }

  static std::vector<std::string> MenuCaptions(HMENU menu) {
    std::vector<std::string> captions;
    for (int item = 0; item < GetMenuItemCount(menu); ++item) {
      wchar_t text[256] = {};
      GetMenuStringW(menu, item, text, 256, MF_BYPOSITION);
      captions.push_back(platform::Narrow(text));
    }
    return captions;
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
  std::vector<std::string> questions;
  bool confirm_answer = true;
  struct OpenedMenu {
    POINT at;
    std::vector<std::string> captions;  // a separator reads empty
  };
  std::vector<OpenedMenu> menus;
  UINT popup_choice = 0;  // the item the user picks, from 1, separators not counted; 0: none

 private:
  platform::Effects saved_effects_;
  std::size_t answered_ = 0;
};

}  // namespace ozl

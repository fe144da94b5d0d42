// Recording stand-ins for everything the dispatcher reaches: the session, the windows, the files
// and the clock. Every effect is written to one event log, in order, as a short text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "conversations/composer_registry.h"
#include "lists/list_tables.h"
#include "logic/dispatcher.h"
#include "protocol/history.h"

namespace ozl::fakes {

using Events = std::vector<std::string>;

class FakeSession : public logic::SessionLink {
 public:
  explicit FakeSession(Events& events) : events_(events) {}
  void SendDirect(std::string command) override { events_.push_back("send direct " + command); }
  void SetSessionId(std::string session_id) override { events_.push_back("session " + session_id); }
  void StartPolling() override { events_.push_back("start polling"); }

 private:
  Events& events_;
};

class FakeShell : public logic::Shell {
 public:
  explicit FakeShell(Events& events) : events_(events) {}
  void ViewInfo(const std::string& text) override { events_.push_back("notice " + text); }
  void ShowError(const std::string& text) override { events_.push_back("error " + text); }
  void PlaySound(const std::string& command) override { events_.push_back(command); }
  void StartTrayAnimation() override { events_.push_back("animate tray"); }
  void CloseMainWindow() override { events_.push_back("close main window"); }

 private:
  Events& events_;
};

class FakeLoginWindow : public logic::LoginWindow {
 public:
  explicit FakeLoginWindow(Events& events) : events_(events) {}
  void Show() override { events_.push_back("show login"); }
  void Hide() override { events_.push_back("hide login"); }
  std::string IdText() override { return id_text; }
  std::string PasswordText() override { return password_text; }
  void SetIdText(const std::string& text) override {
    id_text = text;
    events_.push_back("login id " + text);
  }
  void SetPasswordText(const std::string& text) override {
    password_text = text;
    events_.push_back("login password " + text);
  }

  std::string id_text;
  std::string password_text;

 private:
  Events& events_;
};

class FakeRegistrationWindow : public logic::RegistrationWindow {
 public:
  explicit FakeRegistrationWindow(Events& events) : events_(events) {}
  void Hide() override { events_.push_back("hide registration"); }
  std::string ChatNickText() override { return chat_nick_text; }
  std::string PasswordText() override { return password_text; }

  std::string chat_nick_text;
  std::string password_text;

 private:
  Events& events_;
};

class FakeListWindow : public logic::ListWindow {
 public:
  explicit FakeListWindow(Events& events) : events_(events) {}
  void SetCaption(const std::string& own_nick) override { events_.push_back("caption " + own_nick); }
  void Show() override { events_.push_back("show list"); }

 private:
  Events& events_;
};

class FakeChatWindow : public logic::ChatWindow {
 public:
  void AppendLine(const std::string& line) override { lines.push_back(line); }
  void ReturnUnsent(const std::string& text) override { unsent.push_back(text); }
  std::vector<std::string> lines;
  std::vector<std::string> unsent;
};

class FakeUserInfoWindow : public logic::UserInfoWindow {
 public:
  explicit FakeUserInfoWindow(Events& events) : events_(events) {}
  void ShowUserInfo(const protocol::UserInfo& info) override {
    shown.push_back(info);
    events_.push_back("show user info");
  }
  std::vector<protocol::UserInfo> shown;

 private:
  Events& events_;
};

class FakeWebChatWindow : public logic::WebChatWindow {
 public:
  explicit FakeWebChatWindow(Events& events) : events_(events) {}
  void Navigate(const std::string& url) override { events_.push_back("navigate " + url); }

 private:
  Events& events_;
};

class FakeComposer : public conversations::Composer {
 public:
  FakeComposer(std::string title, std::string nick) : Composer(std::move(title)), heading_nick(std::move(nick)) {}
  void AppendReceived(const std::string& line) override { received.push_back(line); }
  void ReturnUnsent(const std::string& text) override { unsent.push_back(text); }

  std::string heading_nick;
  std::vector<std::string> received;
  std::vector<std::string> unsent;
};

class FakeMessageWindows : public logic::MessageWindows {
 public:
  explicit FakeMessageWindows(Events& events) : events_(events) {}
  std::unique_ptr<conversations::Composer> Create(const std::string& title, const std::string& nick) override {
    if (fail) throw std::runtime_error("Error creating window");
    events_.push_back("open " + title + " " + nick);
    return std::make_unique<FakeComposer>(title, nick);
  }
  void BringToTop(const std::string& title) override { events_.push_back("top " + title); }
  bool fail = false;

 private:
  Events& events_;
};

// Files in memory; writes can be made to fail.
class MemoryFileSystem : public protocol::FileSystem {
 public:
  bool Exists(const std::string& path) override {
    return !existence_check_fails && (files.contains(path) || folders.contains(path));
  }
  void CreateFolder(const std::string& path) override {
    if (refuse_writes) throw protocol::FileError("Cannot create the folder " + path);
    folders.insert(path);
  }
  void CreateAndWrite(const std::string& path, std::string_view bytes) override {
    if (refuse_writes) throw protocol::FileError("Cannot open " + path);
    files[path] = bytes;
  }
  bool CreateNew(const std::string& path, std::string_view bytes) override {
    if (refuse_writes) throw protocol::FileError("Cannot open " + path);
    return files.emplace(path, bytes).second;
  }
  void Append(const std::string& path, std::string_view bytes) override {
    if (refuse_writes) throw protocol::FileError("Cannot open " + path);
    files[path] += bytes;
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  bool refuse_writes = false;
  bool existence_check_fails = false;  // as a locked or unreadable folder may make it
};

class FixedClock : public protocol::Clock {
 public:
  std::string LocalDateTime() override { return now; }
  std::string now = "08.12.2026 4:51:15";
};

// The whole surroundings of one dispatcher. Random words count up from 1000, so session
// numbers are predictable.
struct FakeWorld {
  Events events;
  FakeSession session{events};
  FakeShell shell{events};
  FakeLoginWindow login{events};
  FakeRegistrationWindow registration{events};
  FakeListWindow list_window{events};
  lists::ListTables lists;
  lists::ListTable search_results;
  FakeChatWindow chat;
  FakeUserInfoWindow user_info{events};
  FakeWebChatWindow web_chat{events};
  FakeMessageWindows message_windows{events};
  conversations::ComposerTable composers;
  MemoryFileSystem files;
  FixedClock clock;
  protocol::HistoryWriter history{files, clock};
  logic::SessionState state;
  std::uint32_t next_random_word = 1000;
  logic::Dispatcher dispatcher{
      logic::DispatcherLinks{session, shell, login, registration, list_window, lists, search_results,
                                chat, user_info, web_chat, message_windows, composers, history, state},
      [this] { return next_random_word++; }, "chat.example"};

  void Receive(std::string_view line) { dispatcher.ReceiveText(line); }

  FakeComposer* Composer(std::string_view title) const {
    return static_cast<FakeComposer*>(composers.Find(title));
  }
};

}  // namespace ozl::fakes

// Where the server's words take effect. ReceiveText gets every line of every answer, in order,
// each with one LF at its end, recognises its code and calls into the session and the windows.
//
// The dispatcher never touches a window itself: it reaches each one through the small interface
// below that the window implements (and the tests implement with recording fakes). Everything it
// is given is untrusted; no line, whatever its length or bytes, can make it fail, and an id that
// names a history file must be a plain decimal number.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "conversations/composer_registry.h"
#include "lists/list_tables.h"
#include "logic/ports.h"
#include "protocol/commands.h"
#include "protocol/history.h"
#include "protocol/session_id.h"

namespace ozl::logic {

// The session the transport keeps.
class SessionLink {
 public:
  virtual ~SessionLink() = default;
  // Sends at once, whatever is in flight (the re-login).
  virtual void SendDirect(std::string command) = 0;
  // The number the following requests carry in their Session header.
  virtual void SetSessionId(std::string session_id) = 0;
  // Starts the 10 s poll; later calls leave it running.
  virtual void StartPolling() = 0;
};

// Effects that belong to the program as a whole, besides the notices.
class Shell : public Notices {
 public:
  // Animates the tray icon until the user next sends a private message.
  virtual void StartTrayAnimation() = 0;
  // Closes the main window, which ends the program.
  virtual void CloseMainWindow() = 0;
};

// The main window, which is the login window.
class LoginWindow {
 public:
  virtual ~LoginWindow() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual std::string IdText() = 0;        // CEid
  virtual std::string PasswordText() = 0;  // CEpassword
  virtual void SetIdText(const std::string& text) = 0;
  virtual void SetPasswordText(const std::string& text) = 0;
};

class RegistrationWindow {
 public:
  virtual ~RegistrationWindow() = default;
  virtual void Hide() = 0;
  virtual std::string ChatNickText() = 0;  // CEchatnick
  virtual std::string PasswordText() = 0;  // CEpassword
};

// The list window. Its tables are the lists::ListTables model it shows.
class ListWindow {
 public:
  virtual ~ListWindow() = default;
  // The window's caption holds the user's own nick.
  virtual void SetCaption(const std::string& own_nick) = 0;
  virtual void Show() = 0;
};

// The general chat window's lines; its participants are lists::ListTables::ChatList.
class ChatWindow {
 public:
  virtual ~ChatWindow() = default;
  // Appends nick + " >> " + text to the memo, whether the window is shown or not.
  virtual void AppendLine(const std::string& line) = 0;
  // Puts back a line the server would not take into the input field.
  virtual void ReturnUnsent(const std::string& text) = 0;
};

class UserInfoWindow {
 public:
  virtual ~UserInfoWindow() = default;
  // Fills the labels, makes `about` the memo's only line and shows the window.
  virtual void ShowUserInfo(const protocol::UserInfo& info) = 0;
};

// The browser of the web chat window.
class WebChatWindow {
 public:
  virtual ~WebChatWindow() = default;
  virtual void Navigate(const std::string& url) = 0;
};

// Makes message windows; the ComposerTable keeps them.
class MessageWindows {
 public:
  virtual ~MessageWindows() = default;
  // A new message window titled `title` (the correspondent's id) that shows itself, on top, with
  // the heading "Приват с " + nick.
  virtual std::unique_ptr<conversations::Composer> Create(const std::string& title,
                                                          const std::string& nick) = 0;
  // Brings the top-level window whose title is `title` to the top.
  virtual void BringToTop(const std::string& title) = 0;
};

// What login and registration leave behind, read by the list window as well.
struct SessionState {
  std::string chat_nick;      // ChatNick: name= of the web chat link
  std::string chat_password;  // ChatPassword: pass= of the web chat link
  std::string own_nick;       // the user's display name; own messages come without an alert
  std::string selected_nick;  // SelectedNick: the heading of the next message window
};

// Everything the dispatcher reaches. The references must outlive the dispatcher.
struct DispatcherLinks {
  SessionLink& session;
  Shell& shell;
  LoginWindow& login;
  RegistrationWindow& registration;
  ListWindow& list_window;
  lists::ListTables& lists;
  lists::ListTable& search_results;
  ChatWindow& chat;
  UserInfoWindow& user_info;
  WebChatWindow& web_chat;
  MessageWindows& message_windows;
  conversations::ComposerTable& composers;
  protocol::HistoryWriter& history;
  SessionState& state;
};

// The page the web chat browser loads at login.
std::string WebChatStartPage(std::string_view web_host);

class Dispatcher {
 public:
  // `random` draws the session number of a re-login; `web_host` serves the web chat.
  Dispatcher(DispatcherLinks links, protocol::RandomWords random, std::string web_host);

  void ReceiveText(std::string_view line);
  // The server refused a command: the user hears of it, and a message or chat line goes back
  // where it was typed (a closed message window opens again for it).
  void CommandRefused(std::string_view command);

 private:
  void Dispatch(std::string_view line);
  void OnRegistered(std::string_view rest);
  void OnLoggedIn(std::string_view rest);
  void OnFullLists(std::string_view rest);
  void OnLogInAgain();
  void OnPrivateMessage(std::string_view rest);
  void ReturnUnsentMessage(std::string_view id, std::string_view text);
  // The failure's text for the error box, or nothing when the row was written.
  std::optional<std::string> WriteHistory(const protocol::PrivateMessage& message, protocol::RowColour colour);

  DispatcherLinks links_;
  protocol::RandomWords random_;
  std::string web_host_;
};

}  // namespace ozl::logic

// The program's windows, created once each in a fixed order with the main window first, and the
// models and the dispatcher that the windows share.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "conversations/composer_registry.h"
#include "lists/list_tables.h"
#include "platform/files.h"
#include "platform/regional_clock.h"
#include "protocol/dispatcher.h"
#include "protocol/history.h"
#include "protocol/transport.h"

namespace ozl {

class TStartForm;
class TRegistryForm;
class TListForm;
class TChatForm;
class TSearchForm;
class TProxyForm;
class TChatKivForm;
class TUserInfoForm;
class TInfoForm;
class TSkinForm;
class TUserHistoryForm;
class TAboutForm;

// The chat server serves the portal, the web chat's start page and the web chat too, on the port
// the client talks to, so the one host setting names the whole service.
inline constexpr const char* kWebChatHost = OZL_SERVER_HOST;
inline constexpr const char* kWebServer = OZL_SERVER_HOST ":5190";
inline constexpr const char* kPortalUrl = "http://" OZL_SERVER_HOST ":5190/";
static_assert(protocol::kServerPort == 5190, "the web addresses name the chat server's port");

class Program : public protocol::MessageWindows {
 public:
  explicit Program(protocol::Connector& connector);
  ~Program() override;

  // At the first start in a folder shows the help window until the user closes it, then shows
  // the login window; the message loop runs after this. Answers can arrive while the help window
  // is up, so the connector must hand them to the transport by then.
  void Start();

  // The models come first: the windows that show them go before them.
  lists::ListTables lists;
  lists::ListTable search_results;
  protocol::SessionState session;
  conversations::ComposerTable ComposerTable;

  std::unique_ptr<TStartForm> StartForm;
  std::unique_ptr<TRegistryForm> RegistryForm;
  std::unique_ptr<TListForm> ListForm;
  std::unique_ptr<TChatForm> ChatForm;
  std::unique_ptr<TSearchForm> SearchForm;
  std::unique_ptr<TProxyForm> ProxyForm;
  std::unique_ptr<TChatKivForm> ChatKivForm;
  std::unique_ptr<TUserInfoForm> UserInfoForm;
  std::unique_ptr<TInfoForm> InfoForm;
  std::unique_ptr<TSkinForm> SkinForm;
  std::unique_ptr<TUserHistoryForm> UserHistoryForm;
  std::unique_ptr<TAboutForm> AboutForm;

  // Where the server's lines take effect.
  void ReceiveText(const std::string& line) { dispatcher_->ReceiveText(line); }

  // protocol::MessageWindows
  std::unique_ptr<conversations::Composer> Create(const std::string& title,
                                                  const std::string& nick) override;
  void BringToTop(const std::string& title) override;

  // A new message window titled `title`, headed with the selected nick; a notice when all the
  // slots are in use.
  void OpenComposer(const std::string& title);
  // The history file at `path` in the history viewer.
  void ShowHistory(const std::string& path);
  // The web chat, logged in with the chat nick and password of the session.
  void OpenWebChat();

  // A message window leaves its slot as it closes; the object goes once its handlers are done.
  void RetireComposer(std::size_t slot);
  void ReleaseRetired() { retired_.clear(); }

 private:
  platform::Win32FileSystem files_;
  platform::RegionalClock clock_;
  protocol::HistoryWriter history_{files_, clock_};
  std::unique_ptr<protocol::Dispatcher> dispatcher_;
  std::vector<std::unique_ptr<conversations::Composer>> retired_;
};

}  // namespace ozl

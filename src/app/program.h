// The program's windows, created once each in a fixed order with the main window first, the
// models and the dispatcher that the windows share, and the session. The program wires them:
// each window is given the small interfaces it needs, which the session and the program answer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "conversations/composer_registry.h"
#include "lists/list_tables.h"
#include "logic/addresses.h"
#include "logic/dispatcher.h"
#include "platform/files.h"
#include "platform/posted_call.h"
#include "platform/regional_clock.h"
#include "protocol/history.h"
#include "protocol/transport.h"
#include "windows/list_form.h"
#include "windows/send_form.h"
#include "windows/start_form.h"

namespace ozl {

class TRegistryForm;
class TChatForm;
class TSearchForm;
class TProxyForm;
class TChatKivForm;
class TUserInfoForm;
class TInfoForm;
class TSkinForm;
class TUserHistoryForm;
class TAboutForm;

class Program : public logic::MessageWindows,
                private Session::Host,
                private TStartForm::Navigation,
                private TListForm::Navigation,
                private TSendForm::Owner {
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
  logic::SessionState state;
  conversations::ComposerTable ComposerTable;
  Session session;

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

  // logic::MessageWindows
  std::unique_ptr<conversations::Composer> Create(const std::string& title,
                                                  const std::string& nick) override;
  void BringToTop(const std::string& title) override;

 private:
  // Session::Host
  void ShowNotice(const std::string& text) override;
  void Dispatch(const std::string& line) override { dispatcher_->ReceiveText(line); }
  void CommandRefused(const std::string& command) override { dispatcher_->CommandRefused(command); }
  void CloseMainWindow() override;

  // TStartForm::Navigation
  void ShowRegistration() override;
  void ShowProxySettings() override;
  void ShowAuthorship(const std::string& text) override;

  // TListForm::Navigation. A new message window is refused with a notice when all the slots are
  // in use.
  void OpenComposer(const std::string& title) override;
  void ShowHistory(const std::string& path) override;
  void OpenWebChat() override;
  void ShowChat() override;
  void ShowSearch() override;

  // TSendForm::Owner
  void StopTrayAnimation() override { session.RxTrayIcon1.StopAnimation(); }
  void RetireComposer(std::size_t slot) override;

  platform::Win32FileSystem files_;
  platform::RegionalClock clock_;
  protocol::HistoryWriter history_{files_, clock_};
  std::unique_ptr<logic::Dispatcher> dispatcher_;
  std::vector<std::unique_ptr<conversations::Composer>> retired_;
  platform::PostedCall release_retired_{[this] { retired_.clear(); }};
};

}  // namespace ozl

#include "app/program.h"

#include "windows/chat_form.h"
#include "windows/chat_kiv_form.h"
#include "windows/user_history_form.h"
#include "conversations/web_chat_address.h"
#include "windows/info_form.h"
#include "windows/registry_form.h"
#include "windows/search_form.h"
#include "windows/user_info_form.h"
#include "platform/effects.h"
#include "platform/text.h"
#include "windows/about_form.h"
#include "windows/proxy_form.h"
#include "windows/skin_form.h"
#include "platform/skin_platform.h"
#include "text/cp1251.h"

namespace ozl {

Program::Program(protocol::Connector& connector) : session(connector, *this) {
  // A region text naming a source that does not exist is the developer's slip: say so and go on.
  skin::DefaultSkinPlatform().SetMessageHandler(
      [](std::string_view text) { platform::effects().error_box(std::string(text)); });
  TStartForm::Navigation& login_navigation = *this;
  TListForm::Navigation& home_navigation = *this;
  StartForm = std::make_unique<TStartForm>(session, session, login_navigation);
  RegistryForm = std::make_unique<TRegistryForm>(session, session, *StartForm);
  ListForm = std::make_unique<TListForm>(session, session, home_navigation, lists, state);
  ChatForm = std::make_unique<TChatForm>(session, lists);
  SearchForm = std::make_unique<TSearchForm>(session, session, search_results);
  ProxyForm = std::make_unique<TProxyForm>(session, session);
  // Loading may send the probe. Its outcome arrives later, through the message loop, when the
  // notice window exists too.
  ProxyForm->FormCreate();
  ChatKivForm = std::make_unique<TChatKivForm>(kPortalUrl);
  UserInfoForm = std::make_unique<TUserInfoForm>();
  InfoForm = std::make_unique<TInfoForm>();
  SkinForm = std::make_unique<TSkinForm>(StartForm->skin());
  UserHistoryForm = std::make_unique<TUserHistoryForm>();
  AboutForm = std::make_unique<TAboutForm>();
  dispatcher_ = std::make_unique<logic::Dispatcher>(
      logic::DispatcherLinks{session, session, *StartForm, *RegistryForm, *ListForm, lists, search_results, *ChatForm,
                                *UserInfoForm, *ChatKivForm, *this, ComposerTable, history_, state},
      platform::SecureRandomWord, kWebServer);
}

Program::~Program() {
  // Message windows first: they talk to the session until they are gone.
  while (ComposerTable.ComposerCount() > 0) ComposerTable.Close(ComposerTable.ComposerCount());
  retired_.clear();
}

void Program::Start() {
  AboutForm->FirstStartCheck();
  StartForm->Show();
}

std::unique_ptr<conversations::Composer> Program::Create(const std::string& title,
                                                         const std::string& nick) {
  TSendForm::Owner& owner = *this;
  return std::make_unique<TSendForm>(session, owner, title, nick);
}

void Program::BringToTop(const std::string& title) {
  if (const HWND window = platform::FindOwnWindow(title)) {
    BringWindowToTop(window);
  }
}

void Program::ShowNotice(const std::string& text) { InfoForm->ShowNotice(text); }

void Program::CloseMainWindow() { StartForm->Close(); }

void Program::ShowRegistration() { RegistryForm->Show(); }

void Program::ShowProxySettings() { ProxyForm->Show(); }

void Program::ShowAuthorship(const std::string& text) { InfoForm->ShowAuthorship(text); }

void Program::OpenComposer(const std::string& title) {
  if (ComposerTable.Full()) {
    session.ViewInfo(std::string("Слишком много открытых окон привата."_cp1251));
    return;
  }
  ComposerTable.Open(Create(title, state.selected_nick));
}

void Program::ShowHistory(const std::string& path) { UserHistoryForm->ShowHistory(path); }

void Program::OpenWebChat() {
  ChatKivForm->OpenWebChat(
      conversations::WebChatAddress(kWebServer, state.chat_nick, state.chat_password),
      conversations::ShownWebChatAddress(kWebServer, state.chat_nick));
}

void Program::ShowChat() { ChatForm->Show(); }

void Program::ShowSearch() { SearchForm->Show(); }

void Program::RetireComposer(std::size_t slot) {
  if (auto closed = ComposerTable.Close(slot)) {
    retired_.push_back(std::move(closed));
    release_retired_.Post();
  }
}

}  // namespace ozl

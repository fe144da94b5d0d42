#include "app/program.h"

#include "app/start_form.h"
#include "conversations/chat_form.h"
#include "conversations/chat_kiv_form.h"
#include "conversations/send_form.h"
#include "conversations/user_history_form.h"
#include "conversations/web_chat_address.h"
#include "directory/info_form.h"
#include "directory/registry_form.h"
#include "directory/search_form.h"
#include "directory/user_info_form.h"
#include "lists/list_form.h"
#include "platform/effects.h"
#include "platform/text.h"
#include "settings/about_form.h"
#include "settings/proxy_form.h"
#include "settings/skin_form.h"
#include "skin/form_region_win.h"
#include "text/cp1251.h"

namespace ozl {

Program::Program(protocol::Connector& connector) {
  // A region text naming a source that does not exist is the developer's slip: say so and go on.
  skin::DefaultSkinPlatform().SetMessageHandler(
      [](std::string_view text) { platform::effects().error_box(std::string(text)); });
  StartForm = std::make_unique<TStartForm>(*this, connector);
  RegistryForm = std::make_unique<TRegistryForm>(*this);
  ListForm = std::make_unique<TListForm>(*this);
  ChatForm = std::make_unique<TChatForm>(*this);
  SearchForm = std::make_unique<TSearchForm>(*this);
  ProxyForm = std::make_unique<TProxyForm>(*this);
  // Loading may send the probe, which reads the proxy window's controls. Its outcome arrives
  // later, through the message loop, when the notice window exists too.
  ProxyForm->FormCreate();
  ChatKivForm = std::make_unique<TChatKivForm>(kPortalUrl);
  UserInfoForm = std::make_unique<TUserInfoForm>();
  InfoForm = std::make_unique<TInfoForm>();
  SkinForm = std::make_unique<TSkinForm>(StartForm->skin());
  UserHistoryForm = std::make_unique<TUserHistoryForm>();
  AboutForm = std::make_unique<TAboutForm>();
  TStartForm& start = *StartForm;
  dispatcher_ = std::make_unique<protocol::Dispatcher>(
      protocol::DispatcherLinks{start, start, start, *RegistryForm, *ListForm, lists, search_results, *ChatForm,
                                *UserInfoForm, *ChatKivForm, *this, ComposerTable, history_, session},
      platform::SecureRandomWord, kWebServer);
}

Program::~Program() {
  // Message windows first: they talk to the main window until they are gone.
  while (ComposerTable.ComposerCount() > 0) ComposerTable.Close(ComposerTable.ComposerCount());
  retired_.clear();
}

void Program::Start() {
  AboutForm->FirstStartCheck();
  StartForm->Show();
}

std::unique_ptr<conversations::Composer> Program::Create(const std::string& title,
                                                         const std::string& nick) {
  return std::make_unique<TSendForm>(*this, title, nick);
}

void Program::BringToTop(const std::string& title) {
  if (const HWND window = FindWindowW(nullptr, platform::Widen(title).c_str())) {
    BringWindowToTop(window);
  }
}

void Program::OpenComposer(const std::string& title) {
  if (ComposerTable.Full()) {
    StartForm->ViewInfo(std::string("Слишком много открытых окон привата."_cp1251));
    return;
  }
  ComposerTable.Open(Create(title, session.selected_nick));
}

void Program::ShowHistory(const std::string& path) { UserHistoryForm->ShowHistory(path); }

void Program::OpenWebChat() {
  ChatKivForm->OpenWebChat(
      conversations::WebChatAddress(kWebServer, session.chat_nick, session.chat_password));
}

void Program::RetireComposer(std::size_t slot) {
  if (auto closed = ComposerTable.Close(slot)) {
    retired_.push_back(std::move(closed));
    StartForm->ReleaseRetiredLater();
  }
}

}  // namespace ozl

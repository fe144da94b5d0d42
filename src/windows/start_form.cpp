#include "windows/start_form.h"

#include "logic/addresses.h"
#include "platform/effects.h"
#include "protocol/commands.h"
#include "protocol/session_id.h"

namespace ozl {

TStartForm::TStartForm(logic::Outbox& outbox, logic::Notices& notices, Navigation& navigation)
    : SkinnedForm({.client_width = 197,
                   .client_height = 215,
                   .cursor = LoadCursorW(nullptr, IDC_HAND),
                   .skin = L"SKIN_START",
                   .title = "OZL"},
                  {.class_name = "TStartForm", .client_drag = true}),
      outbox_(outbox),
      notices_(notices),
      navigation_(navigation) {
  Bnewuser.on_click = [this] { Bnewuserclick(); };
  Bproxy.on_click = [this] { Bproxyclick(); };
  Bstart.on_click = [this] { Bstartclick(); };
  Bclose.on_click = [this] { Bcloseclick(); };
  VBabout.on_click = [this] { VBaboutclick(); };
  VBminimize.on_click = [this] { VBminimizeclick(); };
  VBclose.on_click = [this] { VBcloseclick(); };
  iKIV.on_click = [this] { iKIVClick(); };
  iKIV.SetCursor(LoadCursorW(nullptr, IDC_HAND));
  CEid.on_key_down = [this](WPARAM key) { CEidKeyDown(key); };
  CEpassword.on_key_down = [this](WPARAM key) { CEpasswordKeyDown(key); };
  notices_.PlaySound("play sound/oncreate.wav");
}

void TStartForm::Bstartclick() {
  if (!Bstart.ClickLatch.Flip()) return;
  outbox_.SetSessionId(
      protocol::RandomSessionId(protocol::kLoginSessionBound, platform::SecureRandomWord));
  outbox_.SendDirect(protocol::LoginCommand(CEid.Text(), CEpassword.Text()));
}

void TStartForm::CEidKeyDown(WPARAM key) {
  if (key != VK_RETURN) return;
  // The handler expects the two notifications of a button click: two calls make one login.
  Bstartclick();
  Bstartclick();
}

void TStartForm::CEpasswordKeyDown(WPARAM key) { CEidKeyDown(key); }

void TStartForm::Bnewuserclick() {
  if (!Bnewuser.ClickLatch.Flip()) return;
  navigation_.ShowRegistration();
  Hide();
  notices_.PlaySound("play sound/Beep.wav");
}

void TStartForm::Bproxyclick() {
  if (!Bproxy.ClickLatch.Flip()) return;
  notices_.PlaySound("play sound/Beep.wav");
  navigation_.ShowProxySettings();
}

void TStartForm::Bcloseclick() { Close(); }

void TStartForm::VBaboutclick() {
  navigation_.ShowAuthorship(std::string(
      "OZL: команда разработчиков OZL\r\n"
      "      2002 (c) OZL\r\n"
      "      Все права защищены."_cp1251));
}

void TStartForm::VBminimizeclick() { platform::Form::HideAllToTray(); }

void TStartForm::VBcloseclick() { SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }

void TStartForm::iKIVClick() { platform::effects().open_url(kPortalUrl, hwnd()); }

platform::Form::CloseAction TStartForm::FormClose() {
  // Whatever still waits to be sent is abandoned; no logout is sent from here.
  outbox_.Shutdown();
  PostQuitMessage(0);
  return CloseAction::kDestroy;
}

}  // namespace ozl

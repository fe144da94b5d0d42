#include "windows/chat_form.h"

#include "conversations/general_chat.h"
#include "protocol/commands.h"
#include "text/cp1251.h"

namespace ozl {

TChatForm::TChatForm(logic::Outbox& outbox, lists::ListTables& lists)
    : SkinnedForm({.client_width = 611,
                   .client_height = 416,
                   .skin = L"SKIN_CHAT",
                   .title = std::string("Общий чат"_cp1251)},
                  {.class_name = "TChatForm"}),
      ListBox1(hwnd(), 474, 28, 124, 345,
               {.background = RGB(0xFD, 0xFA, 0xF1), .text = RGB(0x80, 0x80, 0x80), .font_height = -13,
                .item_height = 16},
               [&lists](std::size_t index) { return std::string(lists.ChatNick(index)); }),
      outbox_(outbox),
      lists_(lists) {
  Memo1.SetFont(platform::CreateUiFont("MS Sans Serif", -16, false));
  Bsend.on_click = [this] { Bsendclick(); };
  CEmessage.on_key_down = [this](WPARAM key) { CEmessageKeyDown(key); };
  ListBox1.on_double_click = [this] { ListBox1DblClick(); };
  VantalButton1.on_click = [this] { VantalButton1click(); };
  lists_.SetChatListObserver(this);
}

TChatForm::~TChatForm() { lists_.SetChatListObserver(nullptr); }

void TChatForm::ChatListChanged(std::size_t first, std::size_t removed, std::size_t inserted) {
  // A hidden list is brought up to date as the window shows.
  if (visible()) ListBox1.Replaced(first, removed, inserted);
}

LRESULT TChatForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  // However the window comes back (the list window's button, the tray), its list catches up.
  if (message == WM_SHOWWINDOW && wparam) ListBox1.Reset(lists_.ChatListSize());
  return SkinnedForm::HandleMessage(message, wparam, lparam);
}

void TChatForm::ReturnUnsent(const std::string& text) {
  const std::string typed_since = CEmessage.Text();
  CEmessage.SetText(typed_since.empty() ? text : text + " " + typed_since);
}

void TChatForm::Bsendclick() {
  if (!Bsend.ClickLatch.Flip()) return;
  outbox_.SendText(protocol::ChatCommand(CEmessage.Text()));
  CEmessage.SetText("");
}

void TChatForm::CEmessageKeyDown(WPARAM key) {
  if (key != VK_RETURN) return;
  // The handler expects the two notifications of a button click: two calls send once.
  Bsendclick();
  Bsendclick();
}

void TChatForm::ListBox1DblClick() {
  const auto selected = ListBox1.Selected();
  if (!selected) return;
  CEmessage.SetText(conversations::AddressedTo(lists_.ChatNick(*selected), CEmessage.Text()));
}

platform::Form::CloseAction TChatForm::FormClose() {
  outbox_.SendText(protocol::LeaveChatCommand());
  return CloseAction::kHide;
}

}  // namespace ozl

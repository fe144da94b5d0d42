// The general chat: everybody's lines in the one room, who is in it, and a field to write to it.
// Entered from the list window, left by closing; only hidden, so lines and participants stay.
#pragma once

#include "lists/list_tables.h"
#include "platform/edits.h"
#include "platform/form.h"
#include "platform/list_box.h"
#include "logic/dispatcher.h"
#include "logic/ports.h"
#include "platform/skinned_form.h"

namespace ozl {

class TChatForm : public skin::SkinnedForm, public logic::ChatWindow, public lists::ChatListObserver {
 public:
  TChatForm(logic::Outbox& outbox, lists::ListTables& lists);
  ~TChatForm() override;

  platform::Memo Memo1{hwnd(), 12, 28, 461, 345, 15858429, true};
  platform::ListBox ListBox1;
  platform::ColorEdit CEmessage{hwnd(), 12, 380, 461, 21, {}};
  platform::Panel Psend{*this, 472, 380, 121, 19, RGB(0xFD, 0xEF, 0xCC)};
  platform::BitmapButton Bsend{Psend, 8, 0, platform::Bitmap::FromResource(L"BUTTON_CHAT_BSEND")};
  platform::Panel Psystemmenu{*this, 565, 4, 36, 13, RGB(0xFB, 0xF4, 0xD9)};
  platform::CaptionButton VantalButton1{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  // logic::ChatWindow: lines arrive whether the window is shown or not, and never raise it.
  void AppendLine(const std::string& line) override { Memo1.AppendLine(line); }
  void ReturnUnsent(const std::string& text) override;
  // lists::ChatListObserver
  void ChatListChanged(std::size_t first, std::size_t removed, std::size_t inserted) override;

  void Bsendclick();
  void CEmessageKeyDown(WPARAM key);
  void ListBox1DblClick();
  void VantalButton1click() { Close(); }

 protected:
  void FormActivate() override { CEmessage.Focus(); }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  CloseAction FormClose() override;

 private:
  logic::Outbox& outbox_;
  lists::ListTables& lists_;
};

}  // namespace ozl

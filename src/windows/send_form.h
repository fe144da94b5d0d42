// A message window: the lines received from one correspondent and a field to write to him. One per
// correspondent, titled with his id, made when needed and destroyed when closed.
#pragma once

#include "conversations/composer_registry.h"
#include "logic/ports.h"
#include "platform/edits.h"
#include "platform/form.h"
#include "platform/skinned_form.h"
#include "text/cp1251.h"

namespace ozl {

class TSendForm : public skin::SkinnedForm, public conversations::Composer {
 public:
  // What a message window needs from the program around it.
  class Owner {
   public:
    // The user has answered: the tray icon stops calling for attention.
    virtual void StopTrayAnimation() = 0;
    // The window leaves its slot as it closes; the object goes once its handlers are done.
    virtual void RetireComposer(std::size_t slot) = 0;

   protected:
    ~Owner() = default;
  };

  // Shows itself on top, titled `id`, with the heading "Приват с " + selected_nick.
  TSendForm(logic::Outbox& outbox, Owner& owner, const std::string& id, const std::string& selected_nick);

  platform::Label Lsendname{*this, 16, 8, "Приват с "_cp1251, RGB(0xFB, 0xF4, 0xD9)};
  platform::Memo Mreceive{hwnd(), 15, 34, 327, 145, 15858429, true};
  platform::Memo Msend{hwnd(), 15, 184, 327, 40, 15858429, false};
  platform::Panel Psend{*this, 32, 230, 278, 19, RGB(0xFD, 0xEF, 0xCC)};
  platform::BitmapButton Bsend{Psend, 0, 0, platform::Bitmap::FromResource(L"BUTTON_SEND_BSEND")};
  platform::BitmapButton Bclose{Psend, 152, 0, platform::Bitmap::FromResource(L"BUTTON_SEND_BCLOSE")};
  platform::Panel Psystemmenu{*this, 310, 10, 36, 13, RGB(0xFB, 0xF4, 0xD9)};
  platform::CaptionButton VBclose{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  void AppendReceived(const std::string& line) override { Mreceive.AppendLine(line); }
  void ReturnUnsent(const std::string& text) override;

  void Bsendclick();
  void Bcloseclick();

 protected:
  void FormActivate() override;
  CloseAction FormClose() override;

 private:
  logic::Outbox& outbox_;
  Owner& owner_;
};

}  // namespace ozl

// The frame shared by the history viewer and the web chat window: a skinned window around the
// embedded browser, closed by its caption button.
#pragma once

#include <string_view>

#include "platform/form.h"
#include "platform/web_browser.h"
#include "platform/skinned_form.h"

namespace ozl {

class BrowserForm : public skin::SkinnedForm {
 public:
  platform::WebBrowser WebBrowser1{*this, 16, 32, 585, 369};
  platform::Panel Psystemmenu{*this, 568, 8, 35, 13, RGB(0xFB, 0xF4, 0xD9)};
  platform::CaptionButton VBclose{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  // Acts on every notification of the caption button: a second close is harmless.
  void VBcloseclick() { Close(); }

 protected:
  // `class_name` names the window's components and must outlive it (a literal).
  BrowserForm(const wchar_t* skin, std::string_view class_name);
};

}  // namespace ozl

#include "conversations/browser_form.h"

namespace ozl {
namespace {

platform::Form::Options BrowserOptions(const wchar_t* skin) {
  platform::Form::Options options;
  options.client_width = 614;
  options.client_height = 420;
  options.background = GetSysColor(COLOR_BTNFACE);
  options.skin = skin;
  return options;
}

}  // namespace

BrowserForm::BrowserForm(const wchar_t* skin, std::string_view class_name)
    : SkinnedForm(BrowserOptions(skin), {.class_name = class_name}) {
  VBclose.on_click = [this] { VBcloseclick(); };
}

}  // namespace ozl

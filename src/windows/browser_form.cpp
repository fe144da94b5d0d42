#include "windows/browser_form.h"

namespace ozl {

BrowserForm::BrowserForm(const wchar_t* skin, std::string_view class_name)
    : SkinnedForm(
          {.client_width = 614, .client_height = 420, .background = GetSysColor(COLOR_BTNFACE), .skin = skin},
          {.class_name = class_name}) {
  VBclose.on_click = [this] { VBcloseclick(); };
}

}  // namespace ozl

#include "windows/user_history_form.h"

#include "platform/text.h"

namespace ozl {

void TUserHistoryForm::ShowHistory(const std::string& path) {
  Show();
  BringToTop();
  WebBrowser1.Navigate(platform::Widen(path));
}

}  // namespace ozl

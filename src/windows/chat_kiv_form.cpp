#include "windows/chat_kiv_form.h"

#include "platform/text.h"

namespace ozl {

TChatKivForm::TChatKivForm(std::string home_page)
    : BrowserForm(L"SKIN_WEBCHAT", "TChatKivForm"), home_page_(std::move(home_page)) {}

void TChatKivForm::OpenWebChat(const std::string& address, const std::string& shown_address) {
  WebBrowser1.Navigate2(platform::Widen(address), platform::Widen(shown_address));
  Show();
}

void TChatKivForm::Navigate(const std::string& url) { WebBrowser1.Navigate(platform::Widen(url)); }

// Leaving the chat page is what ends the web chat session, so every close loads the home page,
// even that of an already hidden window.
platform::Form::CloseAction TChatKivForm::FormClose() {
  WebBrowser1.Navigate(platform::Widen(home_page_));
  return CloseAction::kHide;
}

}  // namespace ozl

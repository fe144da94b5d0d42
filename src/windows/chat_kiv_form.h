// The web chat window: the portal's web chat in the embedded browser. Made hidden at the start;
// closing it leaves the chat (the browser goes to the portal's home page) and hides it.
#pragma once

#include <string>

#include "windows/browser_form.h"
#include "logic/dispatcher.h"

namespace ozl {

class TChatKivForm : public BrowserForm, public logic::WebChatWindow {
 public:
  // `home_page`: the portal page that replaces the chat when the window closes.
  explicit TChatKivForm(std::string home_page);

  // Loads the web chat address (Windows-1251) with Navigate2, then shows the window.
  // Where no page can be shown, the window prints `shown_address`, which hides the password.
  void OpenWebChat(const std::string& address, const std::string& shown_address);

  // logic::WebChatWindow: the start page at login, loaded while the window stays as it is.
  void Navigate(const std::string& url) override;

 protected:
  CloseAction FormClose() override;

 private:
  std::string home_page_;
};

}  // namespace ozl

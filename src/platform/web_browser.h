// The platform's embedded web browser, hosted in a child window as an in-place active OLE object.
// Where the browser cannot show pages, the window says so in its own area, names the address it
// was asked to show and offers to open that address in the system's default browser.
#pragma once

#include <exdisp.h>
#include <ole2.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "platform/window.h"

namespace ozl::platform {

// The HTML document class, which renders every page the browser control shows.
inline constexpr CLSID kHtmlDocumentClass = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// The classes behind the browser window: the browser control, and the document class the probe
// makes to learn whether pages can be rendered at all.
struct BrowserEngine {
  CLSID control = CLSID_WebBrowser;
  CLSID document = kHtmlDocumentClass;
};

class WebBrowser : public Window {
 public:
  WebBrowser(Window& parent, int left, int top, int width, int height,
             const BrowserEngine& engine = {});
  ~WebBrowser() override;

  // Loads an address (a URL or a file path) given as text.
  void Navigate(const std::wstring& address);
  // Loads an address given as a variant, with empty flags, target frame, post data and headers.
  // Where no page can be shown, `shown_address` is printed instead of the address.
  void Navigate2(const std::wstring& address, const std::wstring& shown_address);

  // The address of the last Navigate or Navigate2, whether or not a page could be shown.
  const std::wstring& RequestedAddress() const { return address_; }
  // True when the browser control is in place; false when the window shows the fallback.
  bool hosted() const { return static_cast<bool>(browser_); }

  // The page's fields need Tab, Enter and the editing keys before the message loop translates
  // them. True when a browser took the key message.
  static bool TranslateKey(MSG& message);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  class Site;
  class OpenButton;

  void Embed(const BrowserEngine& engine);
  void Unembed();
  void ShowRequestedAddress();
  void PaintFallback(HDC dc);

  std::unique_ptr<Site> site_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active_;
  std::unique_ptr<OpenButton> open_;
  std::wstring address_;
  std::wstring shown_address_;
};

}  // namespace ozl::platform

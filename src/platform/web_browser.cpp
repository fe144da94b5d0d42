#include "platform/web_browser.h"

#include <algorithm>
#include <functional>

#include "platform/effects.h"
#include "platform/subclassed_control.h"
#include "platform/text.h"
#include "text/cp1251.h"

using Microsoft::WRL::ComPtr;

namespace ozl::platform {
namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 24;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

// OLE once for the user-interface thread, undone when the program ends.
bool OleReady() {
  static const struct Ole {
    HRESULT result = OleInitialize(nullptr);
    ~Ole() {
      if (SUCCEEDED(result)) OleUninitialize();
    }
  } ole;
  return SUCCEEDED(ole.result);
}

// The control renders every page through the HTML document class. Where that class cannot be
// made (no HTML engine installed, or its library disabled) the control can be put in place but
// stays blank, which tells the user nothing: then the window does without it.
bool CanRender(const CLSID& document) {
  ComPtr<IUnknown> probe;
  return SUCCEEDED(CoCreateInstance(document, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&probe)));
}

// A variant that owns its text.
class TextVariant {
 public:
  explicit TextVariant(const std::wstring& text) {
    VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  TextVariant(const TextVariant&) = delete;
  TextVariant& operator=(const TextVariant&) = delete;
  ~TextVariant() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

VARIANT EmptyVariant() {
  VARIANT empty;
  VariantInit(&empty);
  return empty;
}

}  // namespace

// The container side of the embedding: the client site, the in-place site and the frame. The
// browser window owns it and it outlives every use the control makes of it (the control is
// closed and handed a null site before the site goes), so it does not count references.
class WebBrowser::Site final : public IOleClientSite,
                               public IOleInPlaceSite,
                               public IOleInPlaceFrame {
 public:
  explicit Site(HWND host) : host_(host) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *object = static_cast<IOleInPlaceFrame*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (the in-place site's and the frame's)
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = host_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = this;
    *document = nullptr;
    GetClientRect(host_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(host_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status line to share.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  HWND host_;
};

// The fallback's push button.
class WebBrowser::OpenButton : public SubclassedControl {
 public:
  OpenButton(HWND parent, std::function<void()> on_click) : on_click_(std::move(on_click)) {
    Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kMargin, kMargin,
           kButtonWidth, kButtonHeight);
    SetText("Открыть в браузере"_cp1251);
  }
  void Notified(WORD code) override {
    if (code == BN_CLICKED) on_click_();
  }

 private:
  std::function<void()> on_click_;
};

WebBrowser::WebBrowser(Window& parent, int left, int top, int width, int height,
                       const BrowserEngine& engine) {
  Spec spec = ChildSpec(parent, left, top, width, height);
  spec.class_name = L"OzlWebBrowser";
  spec.style |= WS_CLIPCHILDREN;
  spec.ex_style = WS_EX_CONTROLPARENT;  // Tab reaches the fallback's button
  Create(spec);
  if (!exists()) return;
  Embed(engine);
  if (hosted()) return;
  open_ = std::make_unique<OpenButton>(
      hwnd(), [this] { effects().open_url(Narrow(address_), GetAncestor(hwnd(), GA_ROOT)); });
  ShowRequestedAddress();
}

WebBrowser::~WebBrowser() { Unembed(); }

void WebBrowser::Embed(const BrowserEngine& engine) {
  if (!OleReady() || !CanRender(engine.document)) return;
  if (FAILED(CoCreateInstance(engine.control, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&object_)))) {
    return;
  }
  site_ = std::make_unique<Site>(hwnd());
  RECT area{};
  GetClientRect(hwnd(), &area);
  ComPtr<IWebBrowser2> browser;
  if (FAILED(object_->SetClientSite(site_.get())) ||
      FAILED(OleSetContainedObject(object_.Get(), TRUE)) ||
      FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, hwnd(), &area)) ||
      FAILED(object_.As(&browser))) {
    Unembed();
    return;
  }
  // Script errors and similar questions of a page must not open boxes over the program.
  browser->put_Silent(VARIANT_TRUE);
  object_.As(&active_);
  browser_ = std::move(browser);
}

void WebBrowser::Unembed() {
  browser_.Reset();
  active_.Reset();
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_.Reset();
  }
  site_.reset();
}

void WebBrowser::Navigate(const std::wstring& address) {
  address_ = address;
  shown_address_ = address;
  if (!browser_) return ShowRequestedAddress();
  TextVariant url(address);
  VARIANT empty = EmptyVariant();
  // A page that fails to load is the browser's own business: it shows its own error page.
  browser_->Navigate(url.get()->bstrVal, &empty, &empty, &empty, &empty);
}

void WebBrowser::Navigate2(const std::wstring& address, const std::wstring& shown_address) {
  address_ = address;
  shown_address_ = shown_address;
  if (!browser_) return ShowRequestedAddress();
  TextVariant url(address);
  VARIANT empty = EmptyVariant();
  browser_->Navigate2(url.get(), &empty, &empty, &empty, &empty);
}

bool WebBrowser::TranslateKey(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  for (HWND window = message.hwnd; window;
       window = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr) {
    if (auto* browser = dynamic_cast<WebBrowser*>(Window::FromHandle(window))) {
      return browser->active_ && browser->active_->TranslateAccelerator(&message) == S_OK;
    }
  }
  return false;
}

// The window's text is what the fallback shows, so that it names the page for assistive tools.
void WebBrowser::ShowRequestedAddress() {
  if (!open_) return;
  std::wstring text = Widen("Встроенный браузер не может показать эту страницу здесь."_cp1251);
  if (!shown_address_.empty()) text += L"\r\n\r\n" + shown_address_;
  SetWindowTextW(hwnd(), text.c_str());
  EnableWindow(open_->hwnd(), !address_.empty());

  // The button goes under the text, however many lines a long address takes.
  RECT area{};
  GetClientRect(hwnd(), &area);
  RECT text_area{kMargin, kMargin, area.right - kMargin, area.bottom};
  {
    const ScreenDc screen;
    const SelectedObject font(screen.get(), DefaultFont());
    DrawTextW(screen.get(), text.c_str(), -1, &text_area, kTextFormat | DT_CALCRECT);
  }
  const int button_top =
      std::min<int>(text_area.bottom + kMargin, area.bottom - kButtonHeight - kMargin);
  SetWindowPos(open_->hwnd(), nullptr, kMargin, std::max(button_top, kMargin), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void WebBrowser::PaintFallback(HDC dc) {
  RECT area{};
  GetClientRect(hwnd(), &area);
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  const std::wstring text = Widen(Text());
  const SelectedObject font(dc, DefaultFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT text_area{kMargin, kMargin, area.right - kMargin, area.bottom - kMargin};
  DrawTextW(dc, text.c_str(), -1, &text_area, kTextFormat);
}

LRESULT WebBrowser::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (!hosted()) {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd(), &ps);
        PaintFallback(dc);
        EndPaint(hwnd(), &ps);
        return 0;
      }
      break;
    case WM_DESTROY:
      // Destroyed with its parent: the control lets go while its windows still exist.
      Unembed();
      break;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl::platform

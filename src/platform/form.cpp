#include "platform/form.h"

#include <algorithm>

#include "platform/message_loop.h"
#include "platform/text.h"

namespace ozl::platform {
namespace {

std::vector<Form*>& Registry() {
  static std::vector<Form*> forms;
  return forms;
}

std::vector<HWND>& HiddenToTray() {
  static std::vector<HWND> windows;
  return windows;
}

void PaintBuffered(HWND window, const std::function<void(HDC)>& paint) {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  UniqueBitmap surface(CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1),
                                              std::max<LONG>(client.bottom, 1)));
  {
    SelectedObject selected(buffer.get(), surface.get());
    paint(buffer.get());
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
  }
  EndPaint(window, &ps);
}

void FillBackground(HDC dc, HWND window, COLORREF colour) {
  RECT client;
  GetClientRect(window, &client);
  const UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &client, brush.get());
}

}  // namespace

POINT CentredOnScreen(int width, int height) {
  return {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

namespace {

struct TitleSearch {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<TitleSearch*>(context);
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  if (text != search.title) return TRUE;
  search.found = window;
  return FALSE;
}

struct PlaceSearch {
  RECT place;
  bool taken = false;
};

BOOL CALLBACK MatchPlace(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<PlaceSearch*>(context);
  RECT frame{};
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() || !IsWindowVisible(window) ||
      !GetWindowRect(window, &frame) || !EqualRect(&frame, &search.place)) {
    return TRUE;
  }
  search.taken = true;
  return FALSE;
}

// Whether a window of another program (or thread) covers exactly this rectangle: a second copy
// of the program centres the same windows at the same places.
bool TakenByAnother(const RECT& place) {
  PlaceSearch search{place};
  EnumWindows(&MatchPlace, reinterpret_cast<LPARAM>(&search));
  return search.taken;
}

// The centred place, stepped down and to the right while another program's window holds it.
POINT FreePlace(POINT at, int width, int height) {
  constexpr int kStep = 24;
  for (int tries = 0; tries < 16; ++tries) {
    if (!TakenByAnother({at.x, at.y, at.x + width, at.y + height})) break;
    at.x += kStep;
    at.y += kStep;
  }
  return at;
}

}  // namespace

HWND FindOwnWindow(const std::string& title) {
  TitleSearch search{Widen(title)};
  EnumThreadWindows(GetCurrentThreadId(), &MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Panel ------------------------------------------------------------------------------------------

Panel::Panel(Window& parent, int left, int top, int width, int height, COLORREF colour)
    : colour_(colour) {
  Spec spec = ChildSpec(parent, left, top, width, height);
  spec.class_name = L"OzlPanel";
  spec.class_style = CS_DBLCLKS;
  Create(spec);
}

LRESULT Panel::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    if (RouteMouse(message, wparam, lparam)) return 0;
  }
  switch (message) {
    case WM_MOUSELEAVE:
    case WM_CAPTURECHANGED:
      RouteMouse(message, wparam, lparam);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintBuffered(hwnd(), [this](HDC dc) {
        FillBackground(dc, hwnd(), colour_);
        PaintControls(dc);
      });
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(hwnd(), &point);
        if (HCURSOR cursor = CursorAt(point)) {
          ::SetCursor(cursor);
          return TRUE;
        }
      }
      break;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

// Form -------------------------------------------------------------------------------------------

Form::Form(Options options) : options_(options), skin_(Bitmap::FromResource(options.skin ? options.skin : L"")) {
  RECT frame{0, 0, options_.client_width, options_.client_height};
  DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU;
  if (options_.frame == Frame::kFixed) style = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
  if (options_.frame == Frame::kSizeable) style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  DWORD ex_style = options_.show_in_taskbar ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
  if (options_.stay_on_top) ex_style |= WS_EX_TOPMOST;
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  Spec spec;
  spec.class_name = L"OzlForm";
  spec.class_style = CS_DBLCLKS;
  spec.cursor = options_.cursor;
  spec.style = style;
  spec.ex_style = ex_style;
  spec.width = frame.right - frame.left;
  spec.height = frame.bottom - frame.top;
  spec.text = Widen(options_.title);
  Create(spec);
  Registry().push_back(this);
}

Form::~Form() { std::erase(Registry(), this); }

void Form::HideAllToTray() {
  for (Form* form : Registry()) {
    if (form->exists() && form->visible()) {
      HiddenToTray().push_back(form->hwnd());
      form->Hide();
    }
  }
}

void Form::ShowAllFromTray() {
  std::vector<HWND> windows;
  windows.swap(HiddenToTray());
  for (HWND window : windows) {
    if (IsWindow(window)) ShowWindow(window, SW_SHOW);
  }
  if (!windows.empty() && IsWindow(windows.back())) SetForegroundWindow(windows.back());
}

void Form::Show() {
  if (!exists()) return;
  if (!shown_before_ && (options_.position || options_.centred)) {
    RECT frame;
    GetWindowRect(hwnd(), &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const POINT at = options_.position.value_or(FreePlace(CentredOnScreen(width, height), width, height));
    SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  shown_before_ = true;
  if (!visible()) {
    ShowWindow(hwnd(), SW_SHOW);
    FormShow();
  }
}

void Form::Hide() {
  if (!exists()) return;
  ShowWindow(hwnd(), SW_HIDE);
  // The modal loop looks again once a message arrives.
  if (modal_) PostMessageW(hwnd(), WM_NULL, 0, 0);
}

void Form::ShowModal() {
  std::vector<HWND> disabled;
  for (Form* form : Registry()) {
    if (form != this && form->exists() && IsWindowEnabled(form->hwnd())) {
      EnableWindow(form->hwnd(), FALSE);
      disabled.push_back(form->hwnd());
    }
  }
  modal_ = true;
  Show();
  SetForegroundWindow(hwnd());
  RunMessageLoopUntil([this] { return !exists() || !visible(); });
  modal_ = false;
  for (HWND window : disabled) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}

void Form::BringToTop() {
  if (exists()) BringWindowToTop(hwnd());
}

void Form::Close() {
  if (exists()) SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

int Form::ClientWidth() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.right;
}

int Form::ClientHeight() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.bottom;
}

void Form::FormPaint(HDC dc) {
  skin_.Draw(dc, ClientWidth() - skin_.width(), ClientHeight() - skin_.height());
}

class Form::RegionRoute final : public skin::MessageHook {
 public:
  explicit RegionRoute(Form& form) : form_(form) {}
  ~RegionRoute() override {
    form_.region_sink_ = nullptr;
    form_.region_platform_ = nullptr;
  }

 private:
  Form& form_;
};

std::unique_ptr<skin::MessageHook> Form::RouteRegionMessages(skin::FormMessageSink& sink,
                                                             skin::SkinPlatform& platform) {
  region_sink_ = &sink;
  region_platform_ = &platform;
  return std::make_unique<RegionRoute>(*this);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (region_sink_ != nullptr) {
        try {
          region_sink_->Resized();
        } catch (const std::exception& error) {
          region_platform_->ShowMessage(error.what());
        }
      }
      break;
    case WM_NCHITTEST: {
      const LRESULT hit = DefWindowProcW(hwnd(), message, wparam, lparam);
      const bool drag = (options_.drag_by_surface && options_.frame == Frame::kNone) ||
                        (region_sink_ != nullptr && region_sink_->ClientDrag());
      return drag && hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintBuffered(hwnd(), [this](HDC dc) {
        FillBackground(dc, hwnd(), options_.background);
        FormPaint(dc);
        PaintControls(dc);
      });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) FormActivate();
      break;
    case WM_CLOSE:
      switch (FormClose()) {
        case CloseAction::kHide:
          Hide();
          return 0;
        case CloseAction::kDestroy:
          Destroy();
          return 0;
        case CloseAction::kKeep:
          return 0;
      }
      return 0;
    default:
      if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && RouteMouse(message, wparam, lparam)) {
        return 0;
      }
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl::platform

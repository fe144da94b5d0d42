#include "platform/tray_icon.h"

#include <shellapi.h>

#include "platform/text.h"

namespace ozl::platform {
namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kIconId = 1;
constexpr UINT kFrameMs = 300;

HICON LoadSmallIcon(const wchar_t* name) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace

TrayIcon::TrayIcon(std::string_view tip)
    : still_(LoadSmallIcon(L"TRAY_STILL")),
      frames_{UniqueIcon(LoadSmallIcon(L"TRAY_ALERT1")), UniqueIcon(LoadSmallIcon(L"TRAY_ALERT2"))},
      animation_(kFrameMs,
                 [this] {
                   frame_ = 1 - frame_;
                   ShowIcon(frames_[frame_].get());
                 }),
      tip_(Widen(tip)) {
  // A hidden top-level window, not a message-only one: only those hear "TaskbarCreated".
  Spec spec;
  spec.class_name = L"OzlTrayIcon";
  spec.style = WS_POPUP;
  spec.ex_style = WS_EX_TOOLWINDOW;
  Create(spec);
  Add();
}

TrayIcon::~TrayIcon() {
  animation_.Stop();
  if (added_) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hwnd();
    data.uID = kIconId;
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
}

void TrayIcon::Add() {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = animating() ? frames_[frame_].get() : still_.get();
  lstrcpynW(data.szTip, tip_.c_str(), ARRAYSIZE(data.szTip));
  added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void TrayIcon::ShowIcon(HICON icon) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kIconId;
  data.uFlags = NIF_ICON;
  data.hIcon = icon;
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::StartAnimation() {
  if (animating()) return;
  frame_ = 0;
  ShowIcon(frames_[frame_].get());
  animation_.Start();
}

void TrayIcon::StopAnimation() {
  if (!animating()) return;
  animation_.Stop();
  ShowIcon(still_.get());
}

LRESULT TrayIcon::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kTrayMessage) {
    if (LOWORD(lparam) == WM_LBUTTONDBLCLK && on_double_click) on_double_click();
    return 0;
  }
  if (message == TaskbarCreatedMessage()) {
    Add();
    return 0;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl::platform

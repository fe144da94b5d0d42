#include "platform/effects.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <memory>
#include <string_view>
#include <type_traits>

#include "platform/text.h"

extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);  // RtlGenRandom

namespace ozl::platform {
namespace {

void PlaySoundCommand(const std::string& command) {
  mciSendStringW(Widen(command).c_str(), nullptr, 0, nullptr);
}

void OpenUrl(const std::string& url, HWND owner) {
  ShellExecuteW(owner, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// Stay-on-top windows (the notice that came with the error, another program's) must not cover
// the box: out of sight, it would leave the program's windows disabled and the program frozen.
// Wine makes no box stay on top for MB_TOPMOST, so the box is put there as it becomes active.
// Only the box: a window of the program activated while the box is open (a message window that
// a line opened) must not stay on top of everything for good.
LRESULT CALLBACK BoxOnTop(int code, WPARAM wparam, LPARAM lparam) {
  wchar_t class_name[8] = {};
  if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(wparam), class_name, 8) > 0 &&
      std::wstring_view(class_name) == L"#32770") {
    SetWindowPos(reinterpret_cast<HWND>(wparam), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void ShowErrorBox(const std::string& text) {
  // The box runs its own message loop, in which further requests can fail: one box at a time.
  static bool open = false;
  if (open) return;
  open = true;
  const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&UnhookWindowsHookEx)> on_top(
      SetWindowsHookExW(WH_CBT, &BoxOnTop, nullptr, GetCurrentThreadId()), &UnhookWindowsHookEx);
  MessageBoxW(GetActiveWindow(), Widen(text).c_str(), L"OZL", MB_OK | MB_ICONERROR | MB_TOPMOST);
  open = false;
}

bool Confirm(const std::string& question, HWND owner) {
  return MessageBoxW(owner, Widen(question).c_str(), L"OZL", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

UINT TrackPopup(HMENU menu, POINT at, HWND owner) {
  // Without the foreground the menu would not close when the user clicks elsewhere; the posted
  // message lets the menu's owner leave the menu mode cleanly.
  SetForegroundWindow(owner);
  const UINT command = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  return command;
}

}  // namespace

Effects& effects() {
  static Effects instance{&PlaySoundCommand, &OpenUrl, &ShowErrorBox, &Confirm, &TrackPopup};
  return instance;
}

std::uint32_t SecureRandomWord() {
  std::uint32_t word = 0;
  if (!SystemFunction036(&word, sizeof(word))) {
    // The generator does not fail in practice; the clock keeps session numbers varied if it does.
    word = static_cast<std::uint32_t>(GetTickCount()) * 2654435761u;
  }
  return word;
}

}  // namespace ozl::platform

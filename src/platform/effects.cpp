#include "platform/effects.h"

#include <mmsystem.h>
#include <shellapi.h>

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

void ShowErrorBox(const std::string& text) {
  // The box runs its own message loop, in which further requests can fail: one box at a time.
  static bool open = false;
  if (open) return;
  open = true;
  MessageBoxW(GetActiveWindow(), Widen(text).c_str(), L"OZL", MB_OK | MB_ICONERROR);
  open = false;
}

}  // namespace

Effects& effects() {
  static Effects instance{&PlaySoundCommand, &OpenUrl, &ShowErrorBox};
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

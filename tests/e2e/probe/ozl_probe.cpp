// What a scenario cannot see through X: the texts of a window's controls. Run under Wine in the
// client's prefix, it finds the top-level window with the given title and prints the class and
// the text of each of its child windows, one per line, as UTF-8, with line breaks written "\n":
//
//   ozl_probe.exe "Общий чат" [X-WINDOW]
//
// Of two windows with the title (the general chats of two clients) the X window's id, as xdotool
// gives it, names the one meant.
//
// The exit code is 1 when no window has that title.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::wstring TextOf(HWND window) {
  // The text of another process's control comes by message; a hung window must not hang us.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                      2000, &copied);
  text.resize(copied);
  return text;
}

struct Wanted {
  std::wstring title;
  HANDLE x_window;
  HWND found;
};

BOOL CALLBACK FindWanted(HWND window, LPARAM wanted_address) {
  auto& wanted = *reinterpret_cast<Wanted*>(wanted_address);
  // Wine's X11 driver keeps the X window of each top-level window in this property.
  if (TextOf(window) != wanted.title || GetPropW(window, L"__wine_x11_whole_window") != wanted.x_window) {
    return TRUE;
  }
  wanted.found = window;
  return FALSE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  wchar_t class_name[64] = {};
  GetClassNameW(child, class_name, 64);
  std::string line = Utf8(class_name) + "\t";
  for (const char c : Utf8(TextOf(child))) {
    if (c == '\r') continue;
    line += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  std::printf("%s\n", line.c_str());
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: ozl_probe TITLE [X-WINDOW]\n");
    return 2;
  }
  HWND window = FindWindowW(nullptr, argv[1]);
  if (argc == 3) {
    Wanted wanted{argv[1], reinterpret_cast<HANDLE>(std::wcstoull(argv[2], nullptr, 10)), nullptr};
    EnumWindows(&FindWanted, reinterpret_cast<LPARAM>(&wanted));
    window = wanted.found;
  }
  if (!window) return 1;
  EnumChildWindows(window, &PrintChild, 0);
  return 0;
}

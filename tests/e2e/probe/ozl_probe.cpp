// What a scenario cannot see through X: the texts of a window's controls. Run under Wine in the
// client's prefix, it finds the top-level window with the given title and prints the class and
// the text of each of its child windows, one per line, as UTF-8, with line breaks written "\n":
//
//   ozl_probe.exe "Общий чат"
//
// The exit code is 1 when no window has that title.
#include <windows.h>

#include <cstdio>
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
  if (argc != 2) {
    std::fprintf(stderr, "usage: ozl_probe TITLE\n");
    return 2;
  }
  const HWND window = FindWindowW(nullptr, argv[1]);
  if (!window) return 1;
  EnumChildWindows(window, &PrintChild, 0);
  return 0;
}

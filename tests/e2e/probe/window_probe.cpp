// Measures how fast the client's windows answer while a scenario does something to its network:
// the same round trip a system that pings a window for "not responding" makes, from another
// process. It also watches the client's error boxes (dialogs titled "OZL").
//
//   window_probe.exe TITLE...
//
// Waits for a top-level window of each title (dialogs excluded), prints "ready", then sends
// WM_NULL to each of them in turn until a line or the end of its input arrives, and prints:
//   samples=N worst_ms=X mean_ms=X sustained_ms=X boxes_max=N boxes_seen=N
// sustained_ms is the worst of a window's two answers in a row at their better: one slow answer
// is the machine's doing as often as the window's, two in a row are the window's.
// boxes_max is the most error boxes open at once, boxes_seen how many different ones appeared;
// before it, one line "box: TEXT" for each of them.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr UINT kGiveUpMs = 5000;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TitleOf(HWND window) {
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  return title;
}

bool IsDialog(HWND window) { return ClassOf(window) == L"#32770"; }

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindTitled(const std::wstring& title) {
  for (HWND window : TopLevelWindows()) {
    if (!IsDialog(window) && TitleOf(window) == title) return window;
  }
  return nullptr;
}

std::vector<HWND> OpenErrorBoxes() {
  std::vector<HWND> boxes;
  for (HWND window : TopLevelWindows()) {
    if (IsDialog(window) && IsWindowVisible(window) && TitleOf(window) == L"OZL") boxes.push_back(window);
  }
  return boxes;
}

// A message box shows its text in the static control of this id.
std::wstring BoxText(HWND box) { return TitleOf(GetDlgItem(box, 0xFFFF)); }

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::atomic<bool> stop{false};

DWORD WINAPI AwaitStop(void*) {
  char byte = 0;
  DWORD read = 0;
  ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr);
  stop = true;
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_probe TITLE...\n");
    return 2;
  }
  std::vector<HWND> targets;
  for (int i = 1; i < argc; ++i) {
    HWND found = nullptr;
    for (int tries = 0; !found && tries < 1000; ++tries) {
      found = FindTitled(argv[i]);
      if (!found) Sleep(10);
    }
    if (!found) {
      std::fprintf(stderr, "window_probe: no window titled %ls\n", argv[i]);
      return 1;
    }
    targets.push_back(found);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  CloseHandle(CreateThread(nullptr, 0, &AwaitStop, nullptr, 0, nullptr));

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  long samples = 0;
  double worst = 0;
  double total = 0;
  double sustained = 0;
  std::vector<double> last_taken(targets.size(), 0.0);
  std::size_t boxes_max = 0;
  std::set<HWND> boxes_seen;
  std::vector<std::wstring> box_texts;
  while (!stop) {
    for (std::size_t index = 0; index < targets.size(); ++index) {
      HWND target = targets[index];
      LARGE_INTEGER before;
      LARGE_INTEGER after;
      DWORD_PTR result = 0;
      QueryPerformanceCounter(&before);
      // A window that has gone counts as the longest wait rather than as a fast answer.
      const bool answered = SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &result) != 0;
      QueryPerformanceCounter(&after);
      const double taken = answered ? Milliseconds(before, after, frequency) : kGiveUpMs;
      worst = taken > worst ? taken : worst;
      const double both = taken < last_taken[index] ? taken : last_taken[index];
      sustained = both > sustained ? both : sustained;
      last_taken[index] = taken;
      total += taken;
      ++samples;
    }
    const std::vector<HWND> boxes = OpenErrorBoxes();
    boxes_max = boxes.size() > boxes_max ? boxes.size() : boxes_max;
    for (HWND box : boxes) {
      if (boxes_seen.insert(box).second) box_texts.push_back(BoxText(box));
    }
    Sleep(10);
  }
  for (const std::wstring& text : box_texts) std::printf("box: %ls\n", text.c_str());
  std::printf("samples=%ld worst_ms=%.1f mean_ms=%.2f sustained_ms=%.1f boxes_max=%u boxes_seen=%u\n", samples,
              worst, samples ? total / static_cast<double>(samples) : 0.0, sustained,
              static_cast<unsigned>(boxes_max), static_cast<unsigned>(boxes_seen.size()));
  std::fflush(stdout);
  return 0;
}

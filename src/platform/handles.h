// Move-only owners of the platform's handles: each closes its handle exactly once, and each kind
// keeps a count of the handles its owners hold, which long runs compare to find what leaks.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

namespace ozl::platform {

enum class LiveKind : std::size_t {
  kWindow, kBrush, kFont, kBitmap, kMemoryDc, kIcon, kMenu, kRegion, kTimer, kSocket, kFile, kCount
};

// Atomic because a test's local server holds sockets on a thread of its own; relaxed, because
// only the totals matter.
class LiveObjects {
 public:
  static void Taken(LiveKind kind) { Counter(kind).fetch_add(1, std::memory_order_relaxed); }
  static void Gone(LiveKind kind) { Counter(kind).fetch_sub(1, std::memory_order_relaxed); }
  static long Count(LiveKind kind) { return Counter(kind).load(std::memory_order_relaxed); }
  // Every kind by its name ("window", "brush", ...).
  static std::map<std::string, long> ByKind() {
    static constexpr std::array<const char*, kKinds> kNames = {
        "window", "brush", "font", "bitmap", "memory DC", "icon", "menu", "region", "timer", "socket", "file"};
    std::map<std::string, long> counts;
    for (std::size_t kind = 0; kind < kKinds; ++kind) counts[kNames[kind]] = Count(LiveKind(kind));
    return counts;
  }

 private:
  static constexpr std::size_t kKinds = static_cast<std::size_t>(LiveKind::kCount);
  static std::atomic<long>& Counter(LiveKind kind) { return counts_[static_cast<std::size_t>(kind)]; }
  static inline std::array<std::atomic<long>, kKinds> counts_{};
};

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) { reset(handle); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  // The handle goes to a new owner (or is gone already, as a window the system destroyed).
  Handle release() {
    if (handle_ != Traits::Invalid()) LiveObjects::Gone(Traits::kKind);
    return std::exchange(handle_, Traits::Invalid());
  }
  void reset(Handle handle = Traits::Invalid()) {
    if (handle != Traits::Invalid()) LiveObjects::Taken(Traits::kKind);
    const Handle old = std::exchange(handle_, handle);
    if (old == Traits::Invalid()) return;
    LiveObjects::Gone(Traits::kKind);
    Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct WindowTraits {
  static constexpr LiveKind kKind = LiveKind::kWindow;
  static HWND Invalid() { return nullptr; }
  static void Close(HWND window) { DestroyWindow(window); }
};
template <typename Object, LiveKind kind>
struct GdiObjectTraits {
  static constexpr LiveKind kKind = kind;
  static Object Invalid() { return nullptr; }
  static void Close(Object object) { DeleteObject(object); }
};
struct MemoryDcTraits {
  static constexpr LiveKind kKind = LiveKind::kMemoryDc;
  static HDC Invalid() { return nullptr; }
  static void Close(HDC dc) { DeleteDC(dc); }
};
struct IconTraits {
  static constexpr LiveKind kKind = LiveKind::kIcon;
  static HICON Invalid() { return nullptr; }
  static void Close(HICON icon) { DestroyIcon(icon); }
};
struct SocketTraits {
  static constexpr LiveKind kKind = LiveKind::kSocket;
  static SOCKET Invalid() { return INVALID_SOCKET; }
  static void Close(SOCKET socket) { closesocket(socket); }
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH, LiveKind::kBrush>>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT, LiveKind::kFont>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP, LiveKind::kBitmap>>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueSocket = UniqueHandle<SOCKET, SocketTraits>;

// Selects an object into a device context for the lifetime of the guard.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { SelectObject(dc_, previous_); }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The screen's device context, released on scope exit.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace ozl::platform

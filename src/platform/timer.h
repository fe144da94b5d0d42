// A timer on the user-interface thread.
#pragma once

#include <windows.h>

#include <functional>

namespace ozl::platform {

class Timer {
 public:
  Timer(UINT interval_ms, std::function<void()> on_tick);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();

  void Start();
  void Stop();
  bool enabled() const { return id_ != 0; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);

  UINT interval_ms_;
  std::function<void()> on_tick_;
  UINT_PTR id_ = 0;
};

}  // namespace ozl::platform

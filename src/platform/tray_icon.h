// The notification-area icon: shown from creation to destruction, re-added when the taskbar is
// recreated, animated on demand, and telling of a double-click.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/handles.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace ozl::platform {

class TrayIcon : public Window {
 public:
  explicit TrayIcon(std::string_view tip);
  ~TrayIcon() override;

  std::function<void()> on_double_click;

  void StartAnimation();
  void StopAnimation();
  bool animating() const { return animation_.enabled(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void Add();
  void ShowIcon(HICON icon);

  UniqueIcon still_;
  UniqueIcon frames_[2];
  int frame_ = 0;
  Timer animation_;
  std::wstring tip_;
  bool added_ = false;
};

}  // namespace ozl::platform

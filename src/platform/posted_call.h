// A call made from the message loop, once the handlers running when it was posted have returned:
// a window closed by its own handler is destroyed this way, after that handler is done.
#pragma once

#include <functional>

#include "platform/window.h"

namespace ozl::platform {

class PostedCall : private Window {
 public:
  explicit PostedCall(std::function<void()> call);

  void Post();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  std::function<void()> call_;
};

}  // namespace ozl::platform

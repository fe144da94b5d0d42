#include "platform/posted_call.h"

namespace ozl::platform {
namespace {

constexpr UINT kCallMessage = WM_APP + 20;

}  // namespace

PostedCall::PostedCall(std::function<void()> call) : call_(std::move(call)) {
  Spec spec;
  spec.class_name = L"OzlPostedCall";
  spec.parent = HWND_MESSAGE;
  Create(spec);
}

void PostedCall::Post() { PostMessageW(hwnd(), kCallMessage, 0, 0); }

LRESULT PostedCall::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kCallMessage) {
    call_();
    return 0;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl::platform

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/edits.h"
#include "platform/effects.h"
#include "platform/form.h"

namespace ozl::platform {
namespace {

constexpr UINT kThrowMessage = WM_APP + 7;

class ThrowingForm : public Form {
 public:
  ThrowingForm() : Form({.client_width = 50, .client_height = 50}) {}

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == kThrowMessage) throw std::runtime_error("thrown in a handler");
    return Form::HandleMessage(message, wparam, lparam);
  }
};

class WindowErrors : public testing::Test {
 protected:
  WindowErrors() : saved_(effects()) {
    effects().error_box = [this](const std::string& text) { errors.push_back(text); };
  }
  ~WindowErrors() override { effects() = saved_; }

  std::vector<std::string> errors;

 private:
  Effects saved_;
};

TEST_F(WindowErrors, AnExceptionInAHandlerEndsInTheErrorBoxAndTheWindowGoesOn) {
  ThrowingForm form;
  SendMessageW(form.hwnd(), kThrowMessage, 0, 0);
  EXPECT_EQ(errors, std::vector<std::string>{"thrown in a handler"});
  EXPECT_TRUE(IsWindow(form.hwnd()));
}

TEST_F(WindowErrors, AControlTheSystemWillNotCreateIsAnError) {
  const HWND no_window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7654321));
  EXPECT_THROW(Memo(no_window, 0, 0, 10, 10, 0, false), WindowError);
}

}  // namespace
}  // namespace ozl::platform

// A borderless window shaped by its skin: the outline of the skin bitmap's opaque pixels, placed
// by the window's region text and kept current on resize.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/form.h"
#include "platform/skin_platform.h"
#include "skin/pict_ext_rgn.h"

namespace ozl::skin {

// The transparent colour of most skins: red 50, green 60, blue 154.
inline constexpr TColor kSkinTransparent = 10107954;

// A form that carries region components; they learn of its messages through its own procedure.
class ShapedForm : public platform::Form, public Component, public HwndFormHost {
 public:
  HWND FormHandle() const override { return hwnd(); }
  std::unique_ptr<MessageHook> HookMessages(FormMessageSink& sink) override {
    return RouteRegionMessages(sink, Platform());
  }

 protected:
  ShapedForm(const Options& options, std::string_view class_name)
      : Form(options), Component(class_name, nullptr) {}
};

class SkinnedForm : public ShapedForm {
 public:
  struct Shape {
    std::string_view class_name;
    std::string_view region = "TRBR,B,Cartoon";
    TColor transparent = kSkinTransparent;
    TRegionAlignment alignment = TRegionAlignment::raSource;
    bool client_drag = false;
  };

  TPictExtRgn Cartoon{this, "Cartoon"};
  TFormRegion FormRegion1{this, "FormRegion1"};

 protected:
  SkinnedForm(const Options& options, const Shape& shape);
};

}  // namespace ozl::skin

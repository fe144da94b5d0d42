#include "platform/skinned_form.h"

namespace ozl::skin {

SkinnedForm::SkinnedForm(const Options& options, const Shape& shape)
    : ShapedForm(options, shape.class_name) {
  BeginLoading();
  Cartoon.SetGlyph(PixelImageOf(skin().picture()));
  Cartoon.SetTransColor(shape.transparent);
  Cartoon.SetHorAlign(shape.alignment);
  Cartoon.SetVertAlign(shape.alignment);
  FormRegion1.SetRegion(shape.region);
  FormRegion1.SetClientDrag(shape.client_drag);
  EndLoading();
}

}  // namespace ozl::skin

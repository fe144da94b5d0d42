// The notice window: one stay-on-top popup through which the whole program speaks to the user.
#pragma once

#include <string>

#include "platform/form.h"
#include "platform/skinned_form.h"

namespace ozl {

class TInfoForm : public skin::SkinnedForm {
 public:
  TInfoForm();

  // Shows the text on top; a new notice replaces the text of a visible one.
  void ShowNotice(const std::string& text);
  // The same with the information sign, and the label moved up to make room for three lines.
  void ShowAuthorship(const std::string& text);

  // 1 only while the authorship notice is being shown: the information sign comes with it.
  int ShowIcon = 0;

  platform::Label Linfo{*this, 44, 32, "", 14284027};
  platform::Image VBinfo{*this, 16, 24, platform::Bitmap::FromResource(L"INFO_SIGN")};
  platform::Panel Psystemmenu{*this, 224, 6, 15, 13, 13430781};
  platform::CaptionButton VantalButton1{Psystemmenu, 0, 0, L"CAPTION_CLOSE"};

  static constexpr int kLabelTop = 32;
  static constexpr int kAuthorshipLabelTop = 16;
  static constexpr int kRightMargin = 8;

 protected:
  void FormShow() override;

 private:
  void VantalButton1click();
};

}  // namespace ozl

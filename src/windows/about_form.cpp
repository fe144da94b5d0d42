#include "windows/about_form.h"

#include "platform/effects.h"
#include "platform/files.h"
#include "settings/help_text.h"

namespace ozl {

TAboutForm::TAboutForm()
    : Form({.client_width = 433,
            .client_height = 316,
            .background = GetSysColor(COLOR_BTNFACE),
            // The rights holder.
            .title = std::string("© OZL"_cp1251),
            .frame = platform::Form::Frame::kFixed}) {
  Memo1.SetText(settings::HelpText());
  Button1.on_click = [this] { Button1Click(); };
}

void TAboutForm::FirstStartCheck() {
  platform::Win32FileSystem files;
  if (files.Exists(settings::kHelpFileName)) return;
  try {
    files.CreateAndWrite(settings::kHelpFileName, settings::HelpText());
  } catch (const protocol::FileError& error) {
    platform::effects().error_box(error.what());
    return;
  }
  ShowModal();
}

}  // namespace ozl

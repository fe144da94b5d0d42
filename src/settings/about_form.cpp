#include "settings/about_form.h"

#include "platform/effects.h"
#include "platform/files.h"
#include "settings/help_text.h"

namespace ozl {
namespace {

platform::Form::Options AboutOptions() {
  platform::Form::Options options;
  options.client_width = 433;
  options.client_height = 316;
  options.background = GetSysColor(COLOR_BTNFACE);
  options.frame = platform::Form::Frame::kFixed;
  // The rights holder and its site.
  options.title = "© OZL, www.ozl.example"_cp1251;
  return options;
}

}  // namespace

TAboutForm::TAboutForm() : Form(AboutOptions()) {
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

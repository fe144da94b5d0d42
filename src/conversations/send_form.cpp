#include "conversations/send_form.h"

#include "app/program.h"
#include "app/start_form.h"
#include "protocol/commands.h"

namespace ozl {

TSendForm::TSendForm(Program& program, const std::string& id, const std::string& selected_nick)
    : SkinnedForm({.client_width = 355, .client_height = 266, .skin = L"SKIN_SEND", .title = id},
                  {.class_name = "TSendForm"}),
      Composer(id),
      program_(program) {
  Bsend.on_click = [this] { Bsendclick(); };
  Bclose.on_click = [this] { Bcloseclick(); };
  VBclose.on_click = [this] { Bcloseclick(); };
  Lsendname.SetCaption(Lsendname.caption() + selected_nick);
  Show();
  BringToTop();
}

void TSendForm::FormActivate() { Msend.Focus(); }

void TSendForm::Bsendclick() {
  if (!Bsend.ClickLatch.Flip()) return;
  program_.StartForm->SendText(protocol::PrivateMessageCommand(Title(), Msend.Lines()));
  Msend.Clear();
  program_.StartForm->RxTrayIcon1.StopAnimation();
}

void TSendForm::ReturnUnsent(const std::string& text) {
  // Whatever was typed since the refused message stays, after it.
  const std::string typed_since = Msend.Text();
  Msend.SetText(typed_since.empty() ? text : text + "\r\n" + typed_since);
}

void TSendForm::Bcloseclick() {
  // One latch for both close buttons.
  if (!Bclose.ClickLatch.Flip()) return;
  program_.StartForm->RxTrayIcon1.StopAnimation();
  Close();
}

platform::Form::CloseAction TSendForm::FormClose() {
  program_.RetireComposer(Slot());
  return CloseAction::kDestroy;
}

}  // namespace ozl

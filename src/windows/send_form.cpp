#include "windows/send_form.h"

#include "protocol/commands.h"

namespace ozl {

TSendForm::TSendForm(logic::Outbox& outbox, Owner& owner, const std::string& id,
                     const std::string& selected_nick)
    : SkinnedForm({.client_width = 355, .client_height = 266, .skin = L"SKIN_SEND", .title = id},
                  {.class_name = "TSendForm"}),
      Composer(id),
      outbox_(outbox),
      owner_(owner) {
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
  outbox_.SendText(protocol::PrivateMessageCommand(Title(), Msend.Lines()));
  Msend.Clear();
  owner_.StopTrayAnimation();
}

void TSendForm::ReturnUnsent(const std::string& text) {
  // Whatever was typed since the refused message stays, after it.
  const std::string typed_since = Msend.Text();
  Msend.SetText(typed_since.empty() ? text : text + "\r\n" + typed_since);
}

void TSendForm::Bcloseclick() {
  // One latch for both close buttons.
  if (!Bclose.ClickLatch.Flip()) return;
  owner_.StopTrayAnimation();
  Close();
}

platform::Form::CloseAction TSendForm::FormClose() {
  owner_.RetireComposer(Slot());
  return CloseAction::kDestroy;
}

}  // namespace ozl

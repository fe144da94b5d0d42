#include "windows/proxy_form.h"

#include "app/program.h"
#include "windows/start_form.h"
#include "protocol/commands.h"
#include "protocol/session_id.h"

namespace ozl {
namespace {

void InvertEnabled(platform::SubclassedControl& control) { control.SetEnabled(!control.enabled()); }

}  // namespace

TProxyForm::TProxyForm(Program& program)
    : SkinnedForm({.client_width = 196,
                   .client_height = 213,
                   .skin = L"SKIN_PROXY",
                   .title = std::string("Настройка прокси"_cp1251),
                   .position = POINT{491, 217}},
                  {.class_name = "TProxyForm"}),
      program_(program) {
  for (platform::SubclassedControl* control : std::initializer_list<platform::SubclassedControl*>{
           &CEproxy, &CEproxyport, &Cuseproxyauthorization, &CElogin, &CEpassword}) {
    control->SetEnabled(false);
  }
  Cuseproxy.on_change = [this] { CuseproxyClick(); };
  Cuseproxyauthorization.on_change = [this] { CuseproxyauthorizationClick(); };
  bApply.on_click = [this] { bApplyclick(); };
  bCancel.on_click = [this] { bCancelclick(); };
  VantalButton1.on_click = [this] { bCancelclick(); };
}

void TProxyForm::FormCreate() {
  if (!files_.Exists(settings::kProxyFileName)) return;
  try {
    Config = settings::ProxyConfig::FromFile(
        files_.Read(settings::kProxyFileName, settings::kProxyRecordSize));
  } catch (const std::runtime_error& error) {
    // A file too short or unreadable: no proxy, no probe, and the start goes on.
    program_.StartForm->ShowError(error.what());
    return;
  }
  const protocol::ProxySettings shown = settings::LoadedControls(Config);
  if (shown.use_proxy) {
    Cuseproxy.SetChecked(true);
    CEproxy.SetText(shown.host);
    CEproxyport.SetText(shown.port);
    if (shown.use_authorization) {
      Cuseproxyauthorization.SetChecked(true);
      CElogin.SetText(shown.login);
      CEpassword.SetText(shown.password);
    }
  }
  Probe();
}

protocol::ProxySettings TProxyForm::CurrentSettings() const {
  return {Cuseproxy.Checked(),         CEproxy.Text(),  CEproxyport.Text(),
          Cuseproxyauthorization.Checked(), CElogin.Text(), CEpassword.Text()};
}

void TProxyForm::CuseproxyClick() {
  InvertEnabled(CEproxy);
  InvertEnabled(CEproxyport);
  InvertEnabled(Cuseproxyauthorization);
}

void TProxyForm::CuseproxyauthorizationClick() {
  InvertEnabled(CElogin);
  InvertEnabled(CEpassword);
}

void TProxyForm::bApplyclick() {
  if (!bApply.ClickLatch.Flip()) return;
  TStartForm& start = *program_.StartForm;
  try {
    if (const std::optional<settings::ProxyConfig> stored = settings::Applied(Config, CurrentSettings())) {
      // The password is kept in plain text: only the user may read the file.
      files_.CreatePrivate(settings::kProxyFileName, stored->FileContent());
      Config = *stored;
    } else {
      files_.Delete(settings::kProxyFileName);
    }
  } catch (const protocol::InvalidPortError& error) {
    start.ShowError(error.message);
    return;
  } catch (const protocol::FileError& error) {
    start.ShowError(error.what());
    return;
  }
  Hide();
  Probe();
}

void TProxyForm::Probe() {
  TStartForm& start = *program_.StartForm;
  start.SetSessionId(std::string(protocol::kProbeSessionId));
  start.SendDirect(protocol::PingCommand());
}

}  // namespace ozl

#include "windows/proxy_form.h"

#include "protocol/commands.h"
#include "protocol/session_id.h"

namespace ozl {
namespace {

void InvertEnabled(platform::SubclassedControl& control) { control.SetEnabled(!control.enabled()); }

}  // namespace

TProxyForm::TProxyForm(logic::Outbox& outbox, logic::Notices& notices)
    : SkinnedForm({.client_width = 196,
                   .client_height = 213,
                   .skin = L"SKIN_PROXY",
                   .title = std::string("Настройка прокси"_cp1251),
                   .position = POINT{491, 217}},
                  {.class_name = "TProxyForm"}),
      outbox_(outbox),
      notices_(notices) {
  for (platform::SubclassedControl* control : std::initializer_list<platform::SubclassedControl*>{
           &CEproxy, &CEproxyport, &Cuseproxyauthorization, &CElogin, &CEpassword}) {
    control->SetEnabled(false);
  }
  Cuseproxy.on_change = [this] {
    CuseproxyClick();
    HandOver();
  };
  Cuseproxyauthorization.on_change = [this] {
    CuseproxyauthorizationClick();
    HandOver();
  };
  for (platform::ColorEdit* field : {&CEproxy, &CEproxyport, &CElogin, &CEpassword}) {
    field->on_change = [this] { HandOver(); };
  }
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
    notices_.ShowError(error.what());
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

void TProxyForm::HandOver() { outbox_.UseProxy(CurrentSettings()); }

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
  try {
    if (const std::optional<settings::ProxyConfig> stored = settings::Applied(Config, CurrentSettings())) {
      // The password is kept in plain text: only the user may read the file.
      files_.CreatePrivate(settings::kProxyFileName, stored->FileContent());
      Config = *stored;
    } else {
      files_.Delete(settings::kProxyFileName);
    }
  } catch (const protocol::InvalidPortError& error) {
    notices_.ShowError(error.message);
    return;
  } catch (const protocol::FileError& error) {
    notices_.ShowError(error.what());
    return;
  }
  Hide();
  Probe();
}

void TProxyForm::Probe() {
  outbox_.SetSessionId(std::string(protocol::kProbeSessionId));
  outbox_.SendDirect(protocol::PingCommand());
}

}  // namespace ozl

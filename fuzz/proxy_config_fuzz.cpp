// "Proxy.cfg" as any file may hold it, and the proxy window's controls stored into it. A file
// shorter than one record is refused; any other gives the record of its first 252 bytes, which is
// written back as read, reads back equal, and never shows a text above 80 bytes. What loading
// shows, applied again, stores the same settings; a port the window cannot store changes nothing.
//
// Input: the file's content. Its lines, when it has at least five, are also the controls: host,
// port, login, password, and the fifth's first two bytes the check marks of the proxy and of its
// authorisation ("1" checked, anything else not).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/proxy_config.h"

namespace {

using namespace ozl::settings;
using ozl::protocol::InvalidPortError;
using ozl::protocol::ProxySettings;

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  while (true) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) return lines;
    text.remove_prefix(end + 1);
  }
}

bool SameSettings(const ProxyConfig& a, const ProxyConfig& b) {
  return a.Host() == b.Host() && a.Port() == b.Port() && a.Login() == b.Login() && a.Password() == b.Password();
}

void RequireTextsFit(const ProxyConfig& record) {
  Require(record.Host().size() <= kProxyTextCapacity && record.Login().size() <= kProxyTextCapacity &&
          record.Password().size() <= kProxyTextCapacity);
}

// The controls stored into `record`: the file when the proxy is on, nothing else touched when the
// port is no number.
void CheckApply(const ProxyConfig& record, const ProxySettings& controls) {
  std::optional<ProxyConfig> stored;
  try {
    stored = Applied(record, controls);
  } catch (const InvalidPortError&) {
    Require(controls.use_proxy);
    return;
  }
  Require(stored.has_value() == controls.use_proxy);
  if (!stored) return;
  RequireTextsFit(*stored);
  Require(stored->Host() == std::string_view(controls.host).substr(0, kProxyTextCapacity));
  Require(stored->Port() == ozl::protocol::ParsePort(controls.port));
  if (controls.use_authorization) {
    Require(stored->Login() == std::string_view(controls.login).substr(0, kProxyTextCapacity));
    Require(stored->Password() == std::string_view(controls.password).substr(0, kProxyTextCapacity));
  } else {
    Require(stored->Login() == record.Login() && stored->Password() == record.Password());
  }
  Require(SameSettings(ProxyConfig::FromFile(stored->FileContent()), *stored));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  ProxyConfig record;
  try {
    record = ProxyConfig::FromFile(content);
  } catch (const ProxyRecordError&) {
    Require(size < kProxyRecordSize);
  }
  if (size >= kProxyRecordSize) {
    Require(record.FileContent() == content.substr(0, kProxyRecordSize));
    const ProxyConfig again = ProxyConfig::FromFile(record.FileContent());
    Require(again.bytes() == record.bytes());
    RequireTextsFit(record);

    const ProxySettings loaded = LoadedControls(record);
    Require(loaded.use_proxy == !record.Host().empty());
    Require(loaded.use_authorization == (loaded.use_proxy && !record.Login().empty()));
    const std::optional<ProxyConfig> reapplied = Applied(ProxyConfig(), loaded);
    Require(reapplied.has_value() == loaded.use_proxy);
    if (reapplied) {
      Require(reapplied->Host() == record.Host() && reapplied->Port() == record.Port());
      if (loaded.use_authorization) {
        Require(reapplied->Login() == record.Login() && reapplied->Password() == record.Password());
      }
    }
  }

  const std::vector<std::string> lines = Lines(content);
  if (lines.size() >= 5) {
    const ProxySettings controls{!lines[4].empty() && lines[4][0] == '1', lines[0], lines[1],
                                 lines[4].size() > 1 && lines[4][1] == '1', lines[2], lines[3]};
    CheckApply(record, controls);
  }
  return 0;
}

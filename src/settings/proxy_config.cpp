#include "settings/proxy_config.h"

#include <algorithm>

namespace ozl::settings {

ProxyConfig ProxyConfig::FromFile(std::string_view content) {
  if (content.size() < kProxyRecordSize) {
    throw ProxyRecordError(std::string(kProxyFileName) + ": read beyond end of file (" +
                           std::to_string(content.size()) + " of " +
                           std::to_string(kProxyRecordSize) + " bytes)");
  }
  ProxyConfig record;
  std::copy_n(content.begin(), kProxyRecordSize, record.bytes_.begin());
  return record;
}

std::int32_t ProxyConfig::Port() const {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[kPortOffset + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

void ProxyConfig::SetPort(std::int32_t port) {
  const auto value = static_cast<std::uint32_t>(port);
  for (std::size_t i = 0; i < 4; ++i) bytes_[kPortOffset + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string ProxyConfig::Text(std::size_t offset) const {
  const std::size_t length =
      std::min<std::size_t>(static_cast<unsigned char>(bytes_[offset]), kProxyTextCapacity);
  return std::string(bytes_.data() + offset + 1, length);
}

void ProxyConfig::SetText(std::size_t offset, std::string_view text) {
  text = text.substr(0, kProxyTextCapacity);
  bytes_[offset] = static_cast<char>(text.size());
  std::copy(text.begin(), text.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset + 1));
}

protocol::ProxySettings LoadedControls(const ProxyConfig& record) {
  protocol::ProxySettings controls;
  controls.host = record.Host();
  if (controls.host.empty()) return controls;
  controls.use_proxy = true;
  controls.port = std::to_string(record.Port());
  controls.login = record.Login();
  if (controls.login.empty()) return controls;
  controls.use_authorization = true;
  controls.password = record.Password();
  return controls;
}

std::optional<ProxyConfig> Applied(ProxyConfig record, const protocol::ProxySettings& controls) {
  if (!controls.use_proxy) return std::nullopt;
  const int port = protocol::ParsePort(controls.port);
  record.SetHost(controls.host);
  record.SetPort(port);
  if (controls.use_authorization) {
    record.SetLogin(controls.login);
    record.SetPassword(controls.password);
  }
  return record;
}

}  // namespace ozl::settings

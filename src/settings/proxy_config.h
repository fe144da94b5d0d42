// The stored proxy settings: "Proxy.cfg", one record of 252 bytes without a header.
//
//   offset   0  81 bytes  host: a length byte (0 to 80), then 80 bytes of Windows-1251 text
//   offset  81   3 bytes  gap
//   offset  84   4 bytes  port, a signed 32-bit little-endian integer
//   offset  88  81 bytes  login, as the host
//   offset 169  81 bytes  password, as the host, in plain text
//   offset 250   2 bytes  gap
//
// The record is kept as its bytes, so whatever lies in the gaps and after a text's end is
// written back as it was read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "protocol/request.h"

namespace ozl::settings {

inline constexpr const char* kProxyFileName = "Proxy.cfg";
inline constexpr std::size_t kProxyRecordSize = 252;
inline constexpr std::size_t kProxyTextCapacity = 80;

// A file too short to hold one record.
struct ProxyRecordError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ProxyConfig {
 public:
  using Bytes = std::array<char, kProxyRecordSize>;

  ProxyConfig() : bytes_{} {}
  // The first record of a file's content. Throws ProxyRecordError when there is less than one.
  static ProxyConfig FromFile(std::string_view content);

  const Bytes& bytes() const { return bytes_; }
  std::string_view FileContent() const { return {bytes_.data(), bytes_.size()}; }

  // A length byte above 80 is read as 80: the text never reaches past its field.
  std::string Host() const { return Text(kHostOffset); }
  std::string Login() const { return Text(kLoginOffset); }
  std::string Password() const { return Text(kPasswordOffset); }
  std::int32_t Port() const;

  // Texts longer than 80 characters keep their first 80.
  void SetHost(std::string_view text) { SetText(kHostOffset, text); }
  void SetLogin(std::string_view text) { SetText(kLoginOffset, text); }
  void SetPassword(std::string_view text) { SetText(kPasswordOffset, text); }
  void SetPort(std::int32_t port);

 private:
  static constexpr std::size_t kHostOffset = 0;
  static constexpr std::size_t kPortOffset = 84;
  static constexpr std::size_t kLoginOffset = 88;
  static constexpr std::size_t kPasswordOffset = 169;

  std::string Text(std::size_t offset) const;
  void SetText(std::size_t offset, std::string_view text);

  Bytes bytes_;
};

// What the proxy window's controls show after loading a record: the proxy is on when the host is
// not empty, and authorisation as well when the login is not empty too. A login without a host
// is not looked at.
protocol::ProxySettings LoadedControls(const ProxyConfig& record);

// Apply: the controls stored into the record. Nothing when the proxy is off and the file goes.
// The login and password are stored only while authorisation is checked; otherwise the record
// keeps those it had. Throws protocol::InvalidPortError for a port that is not a number, before
// anything changes.
std::optional<ProxyConfig> Applied(ProxyConfig record, const protocol::ProxySettings& controls);

}  // namespace ozl::settings

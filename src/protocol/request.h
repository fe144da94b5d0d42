// The bytes of one request to the chat server: an HTTP/1.0 GET whose headers carry the session
// number, at most one command and the client version, straight or through an HTTP proxy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ozl::protocol {

inline constexpr int kServerPort = 5190;
inline constexpr std::string_view kProtocolVersion = "0.03b";

// The proxy settings as the proxy window holds them when a request is built. The port stays text
// until then: it is read as a decimal number only when the proxy is used.
struct ProxySettings {
  bool use_proxy = false;
  std::string host;
  std::string port;
  bool use_authorization = false;
  std::string login;
  std::string password;
};

struct Endpoint {
  std::string host;
  int port = 0;

  bool operator==(const Endpoint&) const = default;
};

struct RequestParams {
  std::string server_host;
  ProxySettings proxy;
  std::string session_id;  // no Session header when empty
  std::string data;        // no Data header when empty
  std::string command_mark;  // no Command header when empty
};

// Thrown when the proxy port is not a decimal number; the request is not made.
struct InvalidPortError {
  std::string message;
};

// The decimal value of a port text, an optional "+" and leading zeros allowed. May throw
// InvalidPortError.
int ParsePort(const std::string& text);

// The value of the Command header: the client instance and the command's number in its queue,
// "instance.number" in decimal. The server carries out a command of one mark only once.
std::string CommandMark(std::uint64_t instance, std::uint64_t number);

std::string BuildRequest(const RequestParams& params);

// Where the connection goes: the proxy when one is used, else the server. May throw InvalidPortError.
Endpoint Destination(const RequestParams& params);

std::string ServerUrl(std::string_view server_host);

std::string Base64(std::string_view bytes);

}  // namespace ozl::protocol

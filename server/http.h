// The client's side of HTTP: a GET with a few header lines, answered by a status line, headers,
// an empty line and a body, after which the server closes the connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "wire_text.h"

namespace ozl::server {

struct Request {
  std::string session;
  std::string data;  // the one command, or empty when the request carries none
  std::optional<CommandMark> mark;  // none from older clients and for logins, registrations, probes
};

enum class RequestProblem { kIncomplete, kMalformed, kTooLarge };

struct ParsedRequest {
  std::optional<Request> request;
  RequestProblem problem = RequestProblem::kIncomplete;
};

inline constexpr std::size_t kMaxRequestBytes = 16 * 1024;
inline constexpr std::size_t kMaxHeaderLines = 64;

// Reads the bytes received so far. Lines may end in CR LF or a lone LF; the header ends at the
// first empty line. A Session value must be decimal digits (at most ten).
ParsedRequest ParseRequest(std::string_view received);

// A complete response: "HTTP/1.0 200 OK", headers and the body.
std::string OkResponse(std::string_view body);
// For requests that are not the client's: the client never sees these.
std::string ErrorResponse(int status, std::string_view reason);

}  // namespace ozl::server

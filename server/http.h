// HTTP as the server reads it. The client sends a GET whose headers carry its Session and one
// command; a browser asks for a page. Either is answered by a status line, headers, an empty
// line and a body, after which the server closes the connection.
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

// What a browser asks for: the path and the query of the request's target.
struct PageRequest {
  std::string path;
  std::string query;
};

enum class RequestProblem { kIncomplete, kMalformed, kTooLarge };

struct ParsedRequest {
  // The client's address as a proxy in front names it (X-Real-IP); empty when none does.
  std::string forwarded_for;
  std::optional<Request> request;
  std::optional<PageRequest> page;
  RequestProblem problem = RequestProblem::kIncomplete;
};

inline constexpr std::size_t kMaxRequestBytes = 16 * 1024;
inline constexpr std::size_t kMaxHeaderLines = 64;

// Reads the bytes received so far. Lines may end in CR LF or a lone LF; the header ends at the
// first empty line. A request with a Session header is the client's: a GET whose Session value
// is decimal digits (at most ten). Any other GET or POST is a browser's; a POST's body is not
// read, since no page takes one.
ParsedRequest ParseRequest(std::string_view received);

// A complete response: "HTTP/1.0 200 OK", headers and the body, which goes on for `more` bytes
// sent from elsewhere.
std::string OkResponse(std::string_view body, std::size_t more = 0);
// A page or a page's data for a browser: never cached (the chat changes), never sniffed as
// another type, no referrer (the web chat's address carries a password), and the newest
// document mode in the embedded browser of Windows.
std::string WebResponse(std::string_view status, std::string_view content_type, std::string_view body);
// For requests that are not the client's: the client never sees these.
std::string ErrorResponse(int status, std::string_view reason);

}  // namespace ozl::server

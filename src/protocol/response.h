// What comes back from the server: a status line, header lines, an empty line and a body of
// command lines, read until the server closes the connection.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ozl::protocol {

struct Response {
  int status = 0;       // second token of the status line; 0 when it is not a number
  std::string header;   // status line and header lines, as received
  std::string body;     // everything after the first empty line
};

// Splits raw response bytes. A response without an empty line is all header and no body.
Response ParseResponse(std::string_view raw);

// Only responses below 299 are dispatched; the others are dropped without a word (but for a
// proxy's 407, which the transport reports).
constexpr bool IsDispatched(const Response& response) { return response.status < 299; }

// The body's lines, each with one LF appended, for the dispatcher. CR LF and a lone LF both end
// a line; a body ending in a line break yields a last line that is a lone LF, and an empty body
// yields one lone LF. Lines are never cut, whatever their length.
std::vector<std::string> SplitBody(std::string_view body);

}  // namespace ozl::protocol

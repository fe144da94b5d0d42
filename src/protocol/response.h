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
  bool http = false;    // it begins with "HTTP/", or ended before it could
  // The header ended with its empty line, and the body is at least as long as a Content-Length
  // says: a connection reset in the middle of a body looks like a close under some stacks.
  bool whole = false;
};

// Splits raw response bytes. A response without an empty line is all header and no body.
Response ParseResponse(std::string_view raw);

// What an answer means for the command it carried.
enum class Verdict {
  kDispatched,    // a status below 299: the lines go to the dispatcher
  kRefused,       // another status: the server will not take the command, now or later
  kProxyRefused,  // 407, or 401 through a proxy: the command never reached the server
  kServerBusy,    // 429 or 5xx: the server did not take the command now
  kIncomplete,    // the connection ended before the answer did
  kNotHttp,       // whatever answered does not speak HTTP
};
Verdict Judge(const Response& response, bool proxied);

// The body's lines, each with one LF appended, for the dispatcher. CR LF and a lone LF both end
// a line; a body ending in a line break yields a last line that is a lone LF, and an empty body
// yields one lone LF. Lines are never cut, whatever their length.
std::vector<std::string> SplitBody(std::string_view body);

}  // namespace ozl::protocol

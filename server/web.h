// The web side of the service: the portal page, the web chat's start page ("/ozl") and the web
// chat itself ("/cgi-bin/go.cgi", then the page's own requests under "/chat/"). Pages are
// Windows-1251, like everything else the server holds; the chat page's script talks JSON in
// plain ASCII. Whatever a user wrote reaches a page as text, never as markup.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "chat.h"
#include "http.h"

namespace ozl::server {

// A complete HTTP response, or a web chat login waiting for its password check.
using WebOutcome = std::variant<std::string, PasswordWork>;

class WebSite {
 public:
  explicit WebSite(Chat& chat) : chat_(chat) {}

  WebOutcome Handle(const PageRequest& request, std::string_view address, Clock::time_point now);
  // The page for a web chat login refused because too much password work waits.
  std::string Busy(const PasswordWork& work, Clock::time_point now);
  // The page after a web chat login's password check.
  std::string Finish(const PasswordWork& work, Clock::time_point now);

 private:
  Chat& chat_;
};

// The value of `name` in a query, percent-decoded byte for byte ("+" is a blank), or nothing.
std::optional<std::string> QueryValue(std::string_view query, std::string_view name);
// UTF-8 (as a browser's script encodes) to Windows-1251; characters the code page lacks and
// malformed bytes become '?'.
std::string Utf8ToCp1251(std::string_view utf8);
std::string HtmlEscaped(std::string_view cp1251);
// A JSON string literal in ASCII: every other character as \uXXXX, and "<", ">", "&" too, so
// the text stays inert wherever the literal lands.
std::string JsonString(std::string_view cp1251);

}  // namespace ozl::server

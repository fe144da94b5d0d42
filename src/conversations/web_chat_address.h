// The address that logs the user into the portal's web chat.
#pragma once

#include <string>
#include <string_view>

namespace ozl::conversations {

// "http://" + host + "/cgi-bin/go.cgi?name=" + nick + "&pass=" + password + "&room=main&i=v".
// Nick and password are percent-encoded byte by byte (Windows-1251, upper-case hex): a password
// holding "&", "#", "+", "%" or a blank would otherwise reach the script cut short or changed.
std::string WebChatAddress(std::string_view web_host, std::string_view chat_nick,
                           std::string_view chat_password);
// The same address with stars for the password, to be printed where others may look.
std::string ShownWebChatAddress(std::string_view web_host, std::string_view chat_nick);

}  // namespace ozl::conversations

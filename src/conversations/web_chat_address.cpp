#include "conversations/web_chat_address.h"

namespace ozl::conversations {
namespace {

bool Unreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

void AppendQueryValue(std::string& address, std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char character : value) {
    const auto byte = static_cast<unsigned char>(character);
    if (Unreserved(byte)) {
      address += character;
    } else {
      address += '%';
      address += kHex[byte >> 4];
      address += kHex[byte & 0x0F];
    }
  }
}

std::string Address(std::string_view web_host, std::string_view chat_nick, std::string_view encoded_password) {
  std::string address = "http://";
  address += web_host;
  address += "/cgi-bin/go.cgi?name=";
  AppendQueryValue(address, chat_nick);
  address += "&pass=";
  address += encoded_password;
  address += "&room=main&i=v";
  return address;
}

}  // namespace

std::string WebChatAddress(std::string_view web_host, std::string_view chat_nick,
                           std::string_view chat_password) {
  std::string password;
  AppendQueryValue(password, chat_password);
  return Address(web_host, chat_nick, password);
}

std::string ShownWebChatAddress(std::string_view web_host, std::string_view chat_nick) {
  // A fixed number of stars: not even the password's length is shown.
  return Address(web_host, chat_nick, "********");
}

}  // namespace ozl::conversations

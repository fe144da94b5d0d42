#include "conversations/general_chat.h"

#include "text/cp1251.h"

namespace ozl::conversations {

std::string AddressedTo(std::string_view nick, std::string_view text) {
  std::string line("(для "_cp1251);
  line += nick;
  line += ") ";
  line += text;
  return line;
}

}  // namespace ozl::conversations

// The general chat's one rule of its own: a participant is addressed by a prefix in front of the
// line being written, and addressing several stacks their prefixes, the newest first.
#pragma once

#include <string>
#include <string_view>

namespace ozl::conversations {

// "(для " + nick + ") " + text.
std::string AddressedTo(std::string_view nick, std::string_view text);

}  // namespace ozl::conversations

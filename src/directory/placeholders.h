// Directory fields carry their captions as their text (placeholders). A registration sends them
// as they stand; a search treats a field that still shows its placeholder as empty.
#pragma once

#include <string>
#include <string_view>

#include "protocol/commands.h"

namespace ozl::directory {

// The registration fields and the repeated password, as the window first shows them and as its
// reset button puts them back. The two differ in the e-mail ("email", "e-mail") and in the chat
// nick ("Nick_in_" and the web chat's host in capitals, "Ник в чате " and the host).
struct RegistrationTexts {
  protocol::Registration fields;
  std::string password_repeat;
};
RegistrationTexts InitialRegistrationTexts(std::string_view web_host);
RegistrationTexts ResetRegistrationTexts(std::string_view web_host);

protocol::SearchCriteria SearchPlaceholders();
// Every field whose whole text equals its placeholder (exactly, letter case included) is emptied.
protocol::SearchCriteria WithoutPlaceholders(protocol::SearchCriteria criteria);

}  // namespace ozl::directory

// The program's user guide: shown by the help window and written to "readme.txt" at the first
// start.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ozl::settings {

inline constexpr const char* kHelpFileName = "readme.txt";

// The guide's lines, Windows-1251, without line breaks.
std::vector<std::string_view> HelpLines();
// The lines as the file holds them: each one ended by CR LF.
std::string HelpText();

}  // namespace ozl::settings

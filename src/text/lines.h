// Line breaks as the user's text may carry them: CR LF from the program's own fields, but a lone
// LF or a lone CR from text pasted out of other programs and web pages. Each kind ends a line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ozl::text {

// The lines of a text; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(std::string_view text);

// The text with each line break replaced by one blank: a header value may carry no line break.
std::string OnOneLine(std::string_view text);

}  // namespace ozl::text

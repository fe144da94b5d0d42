#include "text/lines.h"

namespace ozl::text {
namespace {

// Calls `line` for each line and `line_break` between lines, CR LF counting as one break.
template <typename Line, typename Break>
void WalkLines(std::string_view text, Line line, Break line_break) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      line(text.substr(start));
      return;
    }
    line(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    line_break();
  }
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  WalkLines(text, [&](std::string_view line) { lines.emplace_back(line); }, [] {});
  return lines;
}

std::string OnOneLine(std::string_view text) {
  std::string joined;
  joined.reserve(text.size());
  WalkLines(text, [&](std::string_view line) { joined += line; }, [&] { joined += ' '; });
  return joined;
}

}  // namespace ozl::text

#include "protocol/response.h"

#include <charconv>

namespace ozl::protocol {
namespace {

int StatusCode(std::string_view header) {
  const std::string_view status_line = header.substr(0, header.find_first_of("\r\n"));
  const std::size_t first_space = status_line.find(' ');
  if (first_space == std::string_view::npos) return 0;
  std::string_view token = status_line.substr(first_space + 1);
  token = token.substr(0, token.find(' '));
  int code = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), code);
  if (error != std::errc{} || end != token.data() + token.size()) return 0;
  return code;
}

}  // namespace

Response ParseResponse(std::string_view raw) {
  Response response;
  // The header ends at the first empty line, whichever line ending the server uses.
  std::size_t body_start = std::string_view::npos;
  std::size_t header_end = 0;
  std::size_t line_start = 0;
  while (line_start < raw.size()) {
    const std::size_t lf = raw.find('\n', line_start);
    if (lf == std::string_view::npos) break;
    const std::size_t line_length = lf - line_start;
    if (line_length == 0 || (line_length == 1 && raw[line_start] == '\r')) {
      header_end = line_start;
      body_start = lf + 1;
      break;
    }
    line_start = lf + 1;
  }
  if (body_start == std::string_view::npos) {
    response.header = std::string(raw);
  } else {
    response.header = std::string(raw.substr(0, header_end));
    response.body = std::string(raw.substr(body_start));
  }
  response.status = StatusCode(response.header);
  return response;
}

std::vector<std::string> SplitBody(std::string_view body) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t lf = body.find('\n', start);
    if (lf == std::string_view::npos) {
      std::string line(body.substr(start));
      line.push_back('\n');
      lines.push_back(std::move(line));
      return lines;
    }
    std::size_t end = lf;
    if (end > start && body[end - 1] == '\r') --end;
    std::string line(body.substr(start, end - start));
    line.push_back('\n');
    lines.push_back(std::move(line));
    start = lf + 1;
  }
}

}  // namespace ozl::protocol

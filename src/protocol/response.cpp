#include "protocol/response.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

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

bool SameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::uint64_t> ContentLength(std::string_view header) {
  std::size_t start = header.find('\n');
  while (start != std::string_view::npos) {
    const std::string_view line = header.substr(start + 1, header.find('\n', start + 1) - start - 1);
    start = header.find('\n', start + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !SameLetters(line.substr(0, colon), "content-length")) continue;
    const std::string_view value = Trimmed(line.substr(colon + 1));
    std::uint64_t length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error == std::errc{} && end == value.data() + value.size()) return length;
  }
  return std::nullopt;
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
  constexpr std::string_view kHttp = "HTTP/";
  response.http = raw.starts_with(kHttp) || kHttp.starts_with(raw);
  const std::optional<std::uint64_t> length = ContentLength(response.header);
  response.whole = body_start != std::string_view::npos && (!length || response.body.size() >= *length);
  return response;
}

Verdict Judge(const Response& response, bool proxied) {
  if (!response.http) return Verdict::kNotHttp;
  if (!response.whole) return Verdict::kIncomplete;
  // A proxy asks for credentials with 407, and some answer wrong ones with 401. The chat server
  // itself never asks for any; a 407 without a proxy of ours comes from one on the way.
  if (response.status == 407 || (proxied && response.status == 401)) return Verdict::kProxyRefused;
  if (response.status == 429 || response.status >= 500) return Verdict::kServerBusy;
  return response.status < 299 ? Verdict::kDispatched : Verdict::kRefused;
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

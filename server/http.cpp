#include "http.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace ozl::server {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsSessionValue(std::string_view value) {
  return !value.empty() && value.size() <= 10 &&
         std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct RequestLine {
  std::string_view method;
  std::string_view target;
};

// "GET" or "POST", a target (a path or, through a proxy, an absolute URL) and a version.
std::optional<RequestLine> ReadRequestLine(std::string_view line) {
  const std::size_t first = line.find(' ');
  const std::size_t version = line.rfind(' ');
  if (first == std::string_view::npos || version <= first + 1 || line.substr(version + 1, 5) != "HTTP/") {
    return std::nullopt;
  }
  const std::string_view method = line.substr(0, first);
  if (method != "GET" && method != "POST") return std::nullopt;
  return RequestLine{method, line.substr(first + 1, version - first - 1)};
}

PageRequest PageOf(std::string_view target) {
  if (const std::size_t scheme = target.find("://"); scheme != std::string_view::npos) {
    const std::size_t path = target.find('/', scheme + 3);
    target = path == std::string_view::npos ? std::string_view("/") : target.substr(path);
  }
  target = target.substr(0, target.find('#'));
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return {std::string(target), {}};
  return {std::string(target.substr(0, question)), std::string(target.substr(question + 1))};
}

}  // namespace

ParsedRequest ParseRequest(std::string_view received) {
  ParsedRequest parsed;
  std::size_t line_start = 0;
  std::size_t line_count = 0;
  Request request;
  RequestLine request_line;
  bool seen_session = false;
  bool seen_data = false;
  bool seen_mark = false;
  while (true) {
    const std::size_t lf = received.find('\n', line_start);
    if (lf == std::string_view::npos) {
      parsed.problem = received.size() >= kMaxRequestBytes ? RequestProblem::kTooLarge : RequestProblem::kIncomplete;
      return parsed;
    }
    if (lf >= kMaxRequestBytes || ++line_count > kMaxHeaderLines + 1) {
      parsed.problem = RequestProblem::kTooLarge;
      return parsed;
    }
    std::string_view line = received.substr(line_start, lf - line_start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line_start = lf + 1;

    if (line_count == 1) {
      const std::optional<RequestLine> read = ReadRequestLine(line);
      if (!read) {
        parsed.problem = RequestProblem::kMalformed;
        return parsed;
      }
      request_line = *read;
      continue;
    }
    if (line.empty()) break;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      parsed.problem = RequestProblem::kMalformed;
      return parsed;
    }
    const std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    // Only the blanks after the colon go: a command's text may end in blanks of its own.
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    if (SameName(name, "Session") && !seen_session) {
      seen_session = true;
      request.session = std::string(value);
    } else if (SameName(name, "Data") && !seen_data) {
      seen_data = true;
      request.data = std::string(value);
    } else if (SameName(name, "X-Real-IP") && parsed.forwarded_for.empty()) {
      parsed.forwarded_for = std::string(value);
    } else if (SameName(name, "Command") && !seen_mark) {
      seen_mark = true;
      request.mark = ParseCommandMark(value);
    }
  }
  if (!seen_session) {
    parsed.page = PageOf(request_line.target);
    return parsed;
  }
  if (request_line.method != "GET" || !IsSessionValue(request.session)) {
    parsed.problem = RequestProblem::kMalformed;
    return parsed;
  }
  parsed.request = std::move(request);
  return parsed;
}

std::string OkResponse(std::string_view body, std::size_t more) {
  std::string response =
      "HTTP/1.0 200 OK\r\n"
      "Content-Type: text/plain; charset=windows-1251\r\n"
      "Content-Length: " +
      std::to_string(body.size() + more) + "\r\n\r\n";
  response.append(body);
  return response;
}

std::string WebResponse(std::string_view status, std::string_view content_type, std::string_view body) {
  std::string response = "HTTP/1.0 " + std::string(status) + "\r\nContent-Type: " + std::string(content_type) +
                         "\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
                         "Referrer-Policy: no-referrer\r\nX-UA-Compatible: IE=edge\r\n\r\n";
  response.append(body);
  return response;
}

std::string ErrorResponse(int status, std::string_view reason) {
  return "HTTP/1.0 " + std::to_string(status) + " " + std::string(reason) +
         "\r\nContent-Length: 0\r\n\r\n";
}

}  // namespace ozl::server

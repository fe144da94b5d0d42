#include "wire_text.h"

#include <charconv>

namespace ozl::server {

std::optional<UserId> ParseUserId(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  UserId id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (error != std::errc{} || end != text.data() + text.size() || id <= 0) return std::nullopt;
  return id;
}

namespace {

std::optional<std::uint64_t> ParseDecimal(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CommandMark> ParseCommandMark(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint64_t> instance = ParseDecimal(text.substr(0, dot));
  const std::optional<std::uint64_t> number = ParseDecimal(text.substr(dot + 1));
  if (!instance || !number) return std::nullopt;
  return CommandMark{*instance, *number};
}

std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t at = text.find(separator);
    fields.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return fields;
    text.remove_prefix(at + 1);
  }
}

std::string Entry(UserId id, std::string_view nick, std::string_view status) {
  std::string entry = std::to_string(id);
  entry.reserve(entry.size() + nick.size() + status.size() + 2);
  entry.push_back('-');
  entry.append(nick);
  entry.push_back('-');
  entry.append(status);
  return entry;
}

bool HasListSeparator(std::string_view text) { return text.find_first_of("|~-") != std::string_view::npos; }

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return line;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') {
      c = static_cast<char>(byte + 32);
    } else if (byte >= 0xC0 && byte <= 0xDF) {  // А..Я
      c = static_cast<char>(byte + 32);
    } else if (byte == 0xA8 || byte == 0xB8) {  // Ё, ё
      c = static_cast<char>(0xE5);
    }
  }
  return folded;
}

std::optional<std::string> PrefixUpperBound(std::string_view prefix) {
  std::string bound(prefix);
  while (!bound.empty() && static_cast<unsigned char>(bound.back()) == 0xFF) bound.pop_back();
  if (bound.empty()) return std::nullopt;
  bound.back() = static_cast<char>(static_cast<unsigned char>(bound.back()) + 1);
  return bound;
}

}  // namespace ozl::server

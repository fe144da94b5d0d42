#include "bus.h"

#include <charconv>

#include "wire_text.h"

namespace ozl::server {
namespace {

bool Plain(unsigned char c) { return c > ' ' && c < 0x7f && c != '%' && c != '\'' && c != '\\'; }

void Escape(std::string_view field, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (field.empty()) out.push_back('%');  // an empty field still takes its place
  for (const char c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (Plain(byte)) {
      out.push_back(c);
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  if (text == "%") return std::string();
  std::string field;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      field.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexDigit(text[i + 1]);
    const int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    field.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return field;
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, int base) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string NodeName(NodeId node) {
  char name[16];
  return std::string(name, std::to_chars(name, name + sizeof name, node, 16).ptr);
}

std::optional<NodeId> ParseNodeId(std::string_view text) { return ParseNumber<NodeId>(text, 16); }

std::string Encode(const BusEvent& event) {
  std::string text = NodeName(event.node) + "." + std::to_string(event.serial) + " " + event.kind;
  for (const std::string& field : event.fields) {
    text.push_back(' ');
    Escape(field, text);
  }
  return text;
}

std::optional<BusEvent> Decode(std::string_view text) {
  const std::vector<std::string_view> words = SplitFields(text, ' ');
  if (words.size() < 2 || words[1].size() != 1) return std::nullopt;
  const std::vector<std::string_view> head = SplitFields(words[0], '.');
  if (head.size() != 2) return std::nullopt;
  const auto node = ParseNodeId(head[0]);
  const auto serial = ParseNumber<std::uint64_t>(head[1], 10);
  if (!node || !serial) return std::nullopt;
  BusEvent event{*node, *serial, words[1][0], {}};
  for (std::size_t i = 2; i < words.size(); ++i) {
    std::optional<std::string> field = Unescape(words[i]);
    if (!field) return std::nullopt;
    event.fields.push_back(std::move(*field));
  }
  return event;
}

void LoopbackBus::Exchange(const Receiver& receive) {
  while (!waiting_.empty()) {
    const std::string event = std::move(waiting_.front());
    waiting_.pop_front();
    receive(event);
  }
}

}  // namespace ozl::server

#include "text/integer.h"

#include <charconv>
#include <string>

namespace ozl::text {

std::int32_t StrToInt(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int32_t value = 0;
  // from_chars takes a minus sign itself but no plus, so "+-5" stays an error.
  const bool signed_twice = !digits.empty() && digits.front() == '-' && digits.size() != text.size();
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || signed_twice || error != std::errc{} || end != digits.data() + digits.size()) {
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

}  // namespace ozl::text

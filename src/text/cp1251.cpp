#include "text/cp1251.h"

namespace ozl::text {

std::u16string ToUtf16(std::string_view cp1251) {
  std::u16string out;
  out.reserve(cp1251.size());
  for (char c : cp1251) out.push_back(ToUtf16(static_cast<unsigned char>(c)));
  return out;
}

std::string FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t code_point = utf16[i];
    // A surrogate pair is one character, and none of them is in the code page.
    if (code_point >= 0xD800 && code_point <= 0xDBFF && i + 1 < utf16.size()) ++i;
    const int byte = FromCodePoint(code_point);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

}  // namespace ozl::text

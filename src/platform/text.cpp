#include "platform/text.h"

#include "text/cp1251.h"

namespace ozl::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring Widen(std::string_view cp1251) {
  const std::u16string wide = text::ToUtf16(cp1251);
  return {wide.begin(), wide.end()};
}

std::string Narrow(std::wstring_view utf16) {
  const std::u16string wide(utf16.begin(), utf16.end());
  return text::FromUtf16(wide);
}

}  // namespace ozl::platform

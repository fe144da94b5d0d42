// Text meets the platform here: Windows-1251 inside, UTF-16 for every W function.
#pragma once

#include <string>
#include <string_view>

namespace ozl::platform {

std::wstring Widen(std::string_view cp1251);
std::string Narrow(std::wstring_view utf16);

}  // namespace ozl::platform

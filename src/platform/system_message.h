#pragma once

#include <windows.h>

#include <string>

namespace ozl::platform {

// The system's description of an error code, or `fallback` when it has none.
std::string SystemMessage(DWORD error, const std::string& fallback);

}  // namespace ozl::platform

// The operator's log: one line per event on standard error, which the journal keeps.
#pragma once

#include <iostream>
#include <string_view>

namespace ozl::server {

inline void LogLine(std::string_view line) { std::cerr << "ozl-server: " << line << std::endl; }

}  // namespace ozl::server

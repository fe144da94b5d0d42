// Numbers the user typed or a list holds, read as the program's windows always read them: an
// optional sign and decimal digits, within a 32-bit signed integer. Anything else is a conversion
// error, which ends the handler that met it and is reported in the standard error box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace ozl::text {

class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ConversionError with the text "'" + text + "' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

}  // namespace ozl::text

// Session numbers: the decimal text of a uniformly drawn integer below a bound. The login button
// draws below 4967296, the re-login after "#0" below 65535; the probe uses the fixed "777".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ozl::protocol {

inline constexpr std::uint32_t kLoginSessionBound = 4967296;
inline constexpr std::uint32_t kReloginSessionBound = 65535;
inline constexpr std::string_view kProbeSessionId = "777";

// A source of uniformly random 32-bit words (the platform's secure generator in the program).
using RandomWords = std::function<std::uint32_t()>;

std::string RandomSessionId(std::uint32_t bound, const RandomWords& random);

}  // namespace ozl::protocol

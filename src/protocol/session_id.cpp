#include "protocol/session_id.h"

namespace ozl::protocol {

std::string RandomSessionId(std::uint32_t bound, const RandomWords& random) {
  // Words at or above the largest multiple of the bound are drawn again, so that every value
  // below the bound is equally likely.
  const std::uint64_t span = std::uint64_t{1} << 32;
  const std::uint64_t limit = span - span % bound;
  std::uint64_t word = random();
  while (word >= limit) word = random();
  return std::to_string(word % bound);
}

}  // namespace ozl::protocol

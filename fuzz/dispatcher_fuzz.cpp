// Arbitrary response bodies, split into lines as the transport does and dispatched into recording
// stand-ins for the session and the windows: nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "../tests/core/fake_world.h"
#include "protocol/response.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ozl::fakes::FakeWorld world;
  world.state.own_nick = "Me";
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  for (const std::string& line : ozl::protocol::SplitBody(body)) world.Receive(line);
  return 0;
}

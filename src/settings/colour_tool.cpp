#include "settings/colour_tool.h"

#include <algorithm>

namespace ozl::settings {

std::uint8_t Lightened(std::uint8_t channel, int amount) {
  amount = std::clamp(amount, 0, kLighteningMax);
  // (255 - amount) * (255 - channel) / 255 in whole numbers: it never lies half-way between two,
  // so rounding it to the nearest needs no floating point.
  const int distance = (kLighteningMax - amount) * (255 - channel);
  return static_cast<std::uint8_t>(255 - (2 * distance + kLighteningMax) / (2 * kLighteningMax));
}

skin::Picture LightenedCopy(const skin::Picture& source, int amount) {
  skin::Picture copy(source.width(), source.height());
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      const skin::Rgb pixel = source.At(x, y);
      copy.Set(x, y, {Lightened(pixel.red, amount), Lightened(pixel.green, amount),
                      Lightened(pixel.blue, amount)});
    }
  }
  return copy;
}

}  // namespace ozl::settings

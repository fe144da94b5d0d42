// The colour tool's preview: every channel of the start window's skin moved towards white by the
// fraction amount / 255 of its distance, so 0 copies the picture and 255 whitens it.
#pragma once

#include <cstdint>

#include "skin/picture.h"

namespace ozl::settings {

inline constexpr int kLighteningMax = 255;

// 255 - round((1 - amount / 255) * (255 - channel)); amount is clamped to 0..255.
std::uint8_t Lightened(std::uint8_t channel, int amount);
skin::Picture LightenedCopy(const skin::Picture& source, int amount);

}  // namespace ozl::settings

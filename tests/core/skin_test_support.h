// Helpers shared by the skin suites: region texts written as lists of lines, and small bitmaps
// drawn as rows of characters.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "skin/bitmap_region.h"

namespace ozl::skin::testing {

// The skins' transparent colour (red 50, green 60, blue 154) as a pixel, and an opaque pixel.
inline constexpr std::uint32_t kSkinTransparentPixel = PixelOfColor(10107954);
inline constexpr std::uint32_t kOpaquePixel = 0x00102030;

inline std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

// '#' is an opaque pixel, any other character a transparent one.
inline PixelImage Drawing(const std::vector<std::string>& rows) {
  PixelImage image(static_cast<std::int32_t>(rows.front().size()),
                   static_cast<std::int32_t>(rows.size()), kSkinTransparentPixel);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (std::size_t x = 0; x < rows[y].size(); ++x) {
      if (rows[y][x] == '#') {
        image.Set(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), kOpaquePixel);
      }
    }
  }
  return image;
}

}  // namespace ozl::skin::testing

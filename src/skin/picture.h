// A 24-bit picture in memory, top row first: what the skinned buttons look at and derive their
// other looks from.
#pragma once

#include <cstdint>
#include <vector>

namespace ozl::skin {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  bool operator==(const Rgb&) const = default;
};

// The toolkit's colour value: red in the low byte (10107954 is red 50, green 60, blue 154).
constexpr Rgb FromColorValue(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8 & 0xFF),
          static_cast<std::uint8_t>(value >> 16 & 0xFF)};
}

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, Rgb fill = {})
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return pixels_.empty(); }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  Rgb At(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Rgb colour) { pixels_[Index(x, y)] = colour; }

  // The colour that counts as transparent: the bottom-left pixel.
  Rgb CornerColour() const { return empty() ? Rgb{} : At(0, height_ - 1); }

 private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> pixels_;
};

}  // namespace ozl::skin

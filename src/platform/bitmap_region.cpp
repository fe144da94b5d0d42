#include "platform/bitmap_region.h"

#include "platform/bitmap.h"
#include "platform/handles.h"
#include "platform/gdi_region.h"

namespace ozl::skin {

PixelImage ReadBitmapPixels(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
      info.bmHeight == 0) {
    return {};
  }
  const LONG height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  PixelImage image(info.bmWidth, height);
  BITMAPINFO format = platform::TopDown32BitFormat(info.bmWidth, height);
  const platform::ScreenDc screen;
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), image.Data(), &format,
                DIB_RGB_COLORS) != height) {
    return {};
  }
  return image;
}

Region BitmapToRegion(HBITMAP bitmap, COLORREF transparent, bool inverted, std::size_t batch_size) {
  const PixelImage pixels = ReadBitmapPixels(bitmap);
  if (pixels.Empty()) return {};
  return BuildRegionFromPixels(GdiRegions(), pixels.View(), PixelOfColor(transparent), inverted,
                               batch_size);
}

}  // namespace ozl::skin

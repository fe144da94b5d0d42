// Skin bitmaps read for the run scan, and their outlines as GDI regions.
#pragma once

#include <windows.h>

#include <cstddef>

#include "skin/bitmap_region.h"
#include "skin/region.h"

namespace ozl::skin {

// The bitmap's pixels at 32 bits per pixel, top row first, whatever its own format; an empty
// image when there is no bitmap or it cannot be read.
PixelImage ReadBitmapPixels(HBITMAP bitmap);

// The outline of the bitmap's pixels that differ from the transparent colour (or, inverted, equal
// it) as a GDI region in bitmap coordinates, built in batches of run rectangles. An empty
// region when no pixel qualifies; none when the bitmap cannot be read or GDI fails.
Region BitmapToRegion(HBITMAP bitmap, COLORREF transparent, bool inverted,
                      std::size_t batch_size = kRunBatchSize);

}  // namespace ozl::skin

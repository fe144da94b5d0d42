#include "platform/bitmap.h"

#include <cstring>
#include <vector>

#include "platform/text.h"

namespace ozl::platform {
BITMAPINFO TopDown32BitFormat(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

Bitmap::Bitmap(skin::Picture picture) : picture_(std::move(picture)) {
  if (picture_.empty()) return;
  const BITMAPINFO info = TopDown32BitFormat(picture_.width(), picture_.height());
  void* bits = nullptr;
  handle_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!handle_ || !bits) return;
  auto* pixels = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < picture_.height(); ++y) {
    for (int x = 0; x < picture_.width(); ++x) {
      const skin::Rgb colour = picture_.At(x, y);
      std::uint8_t* pixel = pixels + (static_cast<std::size_t>(y) * picture_.width() + x) * 4;
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
      pixel[3] = 0;
    }
  }
  GdiFlush();
}

Bitmap Bitmap::FromHandle(HBITMAP handle) {
  UniqueBitmap owned(handle);
  BITMAP header{};
  if (!handle || !GetObjectW(handle, sizeof(header), &header) || header.bmWidth <= 0 ||
      header.bmHeight <= 0) {
    return {};
  }
  const int width = header.bmWidth;
  const int height = header.bmHeight;
  BITMAPINFO info = TopDown32BitFormat(width, height);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height * 4);
  ScreenDc screen;
  if (GetDIBits(screen.get(), handle, 0, height, bits.data(), &info, DIB_RGB_COLORS) != height) {
    return {};
  }
  skin::Picture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* pixel = bits.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      picture.Set(x, y, {pixel[2], pixel[1], pixel[0]});
    }
  }
  return Bitmap(std::move(picture));
}

Bitmap Bitmap::FromResource(const wchar_t* name) {
  return FromHandle(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

Bitmap Bitmap::FromFile(const std::string& path) {
  return FromHandle(static_cast<HBITMAP>(LoadImageW(nullptr, Widen(path).c_str(), IMAGE_BITMAP, 0, 0,
                                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

void Bitmap::DrawStretched(HDC dc, const RECT& target) const {
  if (empty()) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectedObject selected(memory.get(), handle_.get());
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             memory.get(), 0, 0, width(), height(), SRCCOPY);
}

void Bitmap::DrawRepeatedDown(HDC dc, int x, int top, int bottom) const {
  if (empty() || bottom <= top) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectedObject selected(memory.get(), handle_.get());
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, x, top, width(), bottom - top, memory.get(), 0, 0, width(), 1, SRCCOPY);
}

const Bitmap* FileBitmaps::Get(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &attributes)) {
    entries_.erase(path);
    return nullptr;
  }
  const ULONGLONG size = (ULONGLONG{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
  auto found = entries_.find(path);
  if (found == entries_.end() || CompareFileTime(&found->second.written, &attributes.ftLastWriteTime) != 0 ||
      found->second.size != size) {
    found = entries_.insert_or_assign(path, Entry{attributes.ftLastWriteTime, size, Bitmap::FromFile(path)}).first;
  }
  return found->second.bitmap.empty() ? nullptr : &found->second.bitmap;
}

void Bitmap::Draw(HDC dc, int x, int y) const {
  if (empty()) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectedObject selected(memory.get(), handle_.get());
  BitBlt(dc, x, y, width(), height(), memory.get(), 0, 0, SRCCOPY);
}

void Bitmap::DrawTransparent(HDC dc, int x, int y, skin::Rgb transparent) const {
  if (empty()) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectedObject selected(memory.get(), handle_.get());
  TransparentBlt(dc, x, y, width(), height(), memory.get(), 0, 0, width(), height(),
                 ToColorRef(transparent));
}

}  // namespace ozl::platform

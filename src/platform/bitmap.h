// Pictures for painting: a 24-bit picture in memory beside its device-independent bitmap.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/handles.h"
#include "skin/picture.h"

namespace ozl::platform {

inline COLORREF ToColorRef(skin::Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }
// The toolkit's colour values are COLORREF values already: red in the low byte.
inline COLORREF ToColorRef(std::uint32_t colour_value) { return static_cast<COLORREF>(colour_value); }

// Pixels as 32-bit words (blue, green, red, unused), top row first: the format every bitmap is
// read in and made from.
BITMAPINFO TopDown32BitFormat(int width, int height);

class Bitmap {
 public:
  Bitmap() = default;
  explicit Bitmap(skin::Picture picture);

  // A BITMAP resource of the exe; an empty bitmap when there is none by that name.
  static Bitmap FromResource(const wchar_t* name);
  // A bitmap file; an empty bitmap when it cannot be read.
  static Bitmap FromFile(const std::string& path);

  bool empty() const { return picture_.empty(); }
  int width() const { return picture_.width(); }
  int height() const { return picture_.height(); }
  const skin::Picture& picture() const { return picture_; }
  HBITMAP handle() const { return handle_.get(); }

  void Draw(HDC dc, int x, int y) const;
  // The whole picture stretched onto the rectangle.
  void DrawStretched(HDC dc, const RECT& target) const;
  // A line one pixel high, repeated on every row from top to bottom (exclusive).
  void DrawRepeatedDown(HDC dc, int x, int top, int bottom) const;
  // Pixels of `transparent` are left out.
  void DrawTransparent(HDC dc, int x, int y, skin::Rgb transparent) const;

 private:
  static Bitmap FromHandle(HBITMAP handle);

  skin::Picture picture_;
  UniqueBitmap handle_;
};

// Pictures from files that the user may replace while the program runs (the status icons): each
// is read again only when its file's time or size has changed, so painting a list does not read a
// file per cell.
class FileBitmaps {
 public:
  // The file's picture, or nullptr when it cannot be read.
  const Bitmap* Get(const std::string& path);

 private:
  struct Entry {
    FILETIME written{};
    ULONGLONG size = 0;
    Bitmap bitmap;
  };
  std::map<std::string, Entry> entries_;
};

}  // namespace ozl::platform

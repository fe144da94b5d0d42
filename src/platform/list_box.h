// A list of text lines from the system's LISTBOX, with its own colours and font, telling of a
// double-click.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/subclassed_control.h"

namespace ozl::platform {

class ListBox : public SubclassedControl {
 public:
  struct Style {
    COLORREF background = RGB(255, 255, 255);
    COLORREF text = RGB(0, 0, 0);
    int font_height = -11;
    int item_height = 16;
  };
  ListBox(HWND parent, int left, int top, int width, int height, const Style& style);

  std::size_t Count() const;
  std::string Item(std::size_t index) const;
  std::vector<std::string> Items() const;
  void Insert(std::size_t index, std::string_view cp1251);
  void Delete(std::size_t index);
  void Clear();
  std::optional<std::size_t> Selected() const;
  void Select(std::optional<std::size_t> index);

  std::function<void()> on_double_click;

  HBRUSH ControlColours(HDC dc) override;
  void Notified(WORD code) override;

 private:
  Style style_;
  UniqueBrush brush_;
};

}  // namespace ozl::platform

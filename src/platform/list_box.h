// A list of text lines on the system's LISTBOX that holds no text of its own: it asks the window
// for the line it is about to draw, and a change only sets the number of lines and repaints the
// lines that moved, whatever the list's length. A list of thousands of chat participants that
// change every second needs that. It has its own colours and font and tells of a double-click.
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
  // `item_text` gives the line at an index, in Windows-1251.
  ListBox(HWND parent, int left, int top, int width, int height, const Style& style,
          std::function<std::string(std::size_t index)> item_text);

  std::size_t Count() const;
  std::vector<std::string> Items() const;
  // The lines at [first, first + removed) were replaced by `inserted` new ones; the lines after
  // them move along, and so does the selection. A selected line that went is no longer selected.
  // The control catches up once the changes of the moment are through: under Wine every change of
  // its count repaints its scroll bar, and a busy server sends thousands of changes at once.
  void Replaced(std::size_t first, std::size_t removed, std::size_t inserted);
  // The list now has `count` lines, none of them selected.
  void Reset(std::size_t count);
  std::optional<std::size_t> Selected() const;
  void Select(std::optional<std::size_t> index);

  std::function<void()> on_double_click;

  HBRUSH ControlColours(HDC dc) override;
  void Notified(WORD code) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  LRESULT SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CatchUp();

  Style style_;
  std::function<std::string(std::size_t index)> item_text_;
  UniqueBrush brush_;
  UniqueFont font_;
  std::size_t count_ = 0;
  std::optional<std::size_t> selected_;
  std::size_t changed_from_ = 0;
  bool catching_up_ = false;
};

}  // namespace ozl::platform

// Edit fields: the one-line colour edit that changes colour with the focus, and the multi-line memo.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/subclassed_control.h"
#include "skin/color_edit_state.h"

namespace ozl::platform {

class ColorEdit : public SubclassedControl {
 public:
  struct Style {
    std::uint32_t colour = 15858429;         // red 253, green 250, blue 241
    std::uint32_t current_color = 14739964;  // red 252, green 233, blue 224, while focused
    std::uint32_t current_font = 0;          // black text while focused
    bool password = false;
    int max_length = 0;  // 0: no limit
  };
  ColorEdit(HWND parent, int left, int top, int width, int height, const Style& style);
  ~ColorEdit() override;

  // A key pressed in the field (virtual-key code); Enter reaches it instead of beeping.
  std::function<void(WPARAM key)> on_key_down;
  // A left click in the field, once the field has placed its caret.
  std::function<void()> on_click;
  // A key that types a character (Backspace and Enter included), before the field takes it.
  std::function<void(wchar_t character)> on_key_press;
  // The text changed, whether the user or the program changed it.
  std::function<void()> on_change;
  // The character shown for every character of the text; 0 shows the text itself.
  void SetPasswordChar(wchar_t character);
  wchar_t PasswordChar() const;
  HBRUSH ControlColours(HDC dc) override;
  void Notified(WORD code) override;

 protected:
  LRESULT SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void ApplyState();
  void Enter();
  void Leave();

  // The field that shows the focus colours. Entering and leaving are moves between the program's
  // controls: a field keeps its colours while another program is active, and gives them up when
  // the focus, back in the program, lands elsewhere.
  static ColorEdit* entered_;

  skin::ColorEditState state_;
  UniqueBrush brush_;
  UniqueFont font_;
  skin::FontSpec font_spec_;
};

class Memo : public SubclassedControl {
 public:
  Memo(HWND parent, int left, int top, int width, int height, std::uint32_t colour, bool read_only);

  // Lines longer than this are shown cut, ending in an ellipsis. The system's multi-line field
  // wraps a line in a time that grows much faster than its length (under Wine 16,000 characters
  // took 2 s, a million never ended), and nobody reads that far along one line anyway.
  static constexpr std::size_t kLongestShownLine = 2000;

  // Adds a line (with its line break) at the end and scrolls to it.
  void AppendLine(std::string_view cp1251);
  // Scrolls back to the first line.
  void ShowFromTop();
  // The lines as the field holds them, without their line breaks; pasted text may break lines
  // with a lone LF or CR, and each of those ends a line too.
  std::vector<std::string> Lines() const;
  void Clear() { SetText(""); }
  HBRUSH ControlColours(HDC dc) override;

 private:
  COLORREF colour_;
  UniqueBrush brush_;
};

}  // namespace ozl::platform

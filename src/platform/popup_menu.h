// A popup menu: items with captions that the window may change before each opening, one drawn bold
// as the default, separators and disabled items. Each opening first asks the window (on_popup),
// which may set captions or refuse to open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace ozl::platform {

class MenuItem {
 public:
  // Made by PopupMenu::Add for its own menu.
  MenuItem(HMENU menu, UINT command, std::string caption, bool enabled);

  const std::string& caption() const { return caption_; }
  void SetCaption(std::string cp1251);
  bool enabled() const { return enabled_; }
  std::function<void()> on_click;

 private:
  HMENU menu_;
  UINT command_;
  std::string caption_;
  bool enabled_;
};

struct MenuItemStyle {
  bool is_default = false;  // drawn bold
  bool enabled = true;
};

class PopupMenu {
 public:
  PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  MenuItem& Add(std::string_view caption, MenuItemStyle style = {});
  void AddSeparator();

  // Runs before every opening; false keeps the menu closed.
  std::function<bool()> on_popup;
  // The window's own number for the menu: the list windows keep the id of the row it was last
  // opened on.
  std::int32_t Tag = 0;

  // Opens the menu at a screen point and runs the picked item's handler.
  void Popup(HWND owner, POINT at);
  HMENU handle() const { return menu_.get(); }

 private:
  struct MenuTraits {
    static constexpr LiveKind kKind = LiveKind::kMenu;
    static HMENU Invalid() { return nullptr; }
    static void Close(HMENU menu) { DestroyMenu(menu); }
  };
  UniqueHandle<HMENU, MenuTraits> menu_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

}  // namespace ozl::platform

#include "platform/popup_menu.h"

#include "platform/effects.h"
#include "platform/text.h"

namespace ozl::platform {

MenuItem::MenuItem(HMENU menu, UINT command, std::string caption, bool enabled)
    : menu_(menu), command_(command), caption_(std::move(caption)), enabled_(enabled) {}

void MenuItem::SetCaption(std::string cp1251) {
  caption_ = std::move(cp1251);
  const std::wstring text = Widen(caption_);
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<wchar_t*>(text.c_str());
  SetMenuItemInfoW(menu_, command_, FALSE, &info);
}

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {}

MenuItem& PopupMenu::Add(std::string_view caption, MenuItemStyle style) {
  const auto command = static_cast<UINT>(items_.size() + 1);
  const UINT flags = MF_STRING | (style.enabled ? MF_ENABLED : MF_GRAYED);
  AppendMenuW(menu_.get(), flags, command, Widen(caption).c_str());
  if (style.is_default) SetMenuDefaultItem(menu_.get(), command, FALSE);
  items_.push_back(std::make_unique<MenuItem>(menu_.get(), command, std::string(caption), style.enabled));
  return *items_.back();
}

void PopupMenu::AddSeparator() { AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr); }

void PopupMenu::Popup(HWND owner, POINT at) {
  if (on_popup && !on_popup()) return;
  const UINT command = effects().track_popup(menu_.get(), at, owner);
  if (command == 0 || command > items_.size()) return;
  MenuItem& item = *items_[command - 1];
  if (item.enabled() && item.on_click) item.on_click();
}

}  // namespace ozl::platform

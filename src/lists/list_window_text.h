// What the list window says and shapes, apart from any window: its region text for a screen height,
// the captions its row menus take from the row under the pointer, and where a contact's history is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ozl::lists {

// The window is as tall as the screen: the top skin, the bottom skin, and between them a rectangle
// that ends 28 pixels above the screen's bottom, where a task bar usually stands.
std::string ListWindowRegionText(int screen_height);

// The three changing items of a row's menu.
struct RowMenuCaptions {
  std::string write;   // open a message window
  std::string info;    // ask for the user's information
  std::string change;  // add to or remove from the contact list
};
// The online list's and the search results' menu: writing, information, adding.
RowMenuCaptions OnlineRowCaptions(std::string_view nick);
// The contact list's menu: writing, information, removing.
RowMenuCaptions ContactRowCaptions(std::string_view nick);

// The icon file of a status ("online", "offline", "chat"); nothing for any other text.
std::optional<std::string> StatusIconPath(std::string_view status);

// "<folder>\HISTORY\<id>.htm"; the id is written back in decimal, so leading zeros are gone.
std::string HistoryPath(std::string_view current_folder, std::int32_t id);

}  // namespace ozl::lists

#include "lists/list_window_text.h"

#include "protocol/history.h"
#include "text/cp1251.h"

namespace ozl::lists {

std::string ListWindowRegionText(int screen_height) {
  return "TLT0,0,Cartoon1\r\nTLB0,B,Cartoon2\r\nR0,44,180," + std::to_string(screen_height - 28);
}

RowMenuCaptions OnlineRowCaptions(std::string_view nick) {
  const std::string name(nick);
  return {std::string("Написать пользователю "_cp1251) + name,
          std::string("Просмотреть информацию о "_cp1251) + name,
          std::string("Добавить "_cp1251) + name + std::string(" в контакт-лист"_cp1251)};
}

RowMenuCaptions ContactRowCaptions(std::string_view nick) {
  const std::string name(nick);
  return {std::string("Написать пользователю "_cp1251) + name,
          std::string("Просмотреть информацию о "_cp1251) + name,
          std::string("удалить "_cp1251) + name + std::string(" из контакт-листа"_cp1251)};
}

std::optional<std::string> StatusIconPath(std::string_view status) {
  if (status == "online") return "design\\connect.bmp";
  if (status == "offline") return "design\\disconnect.bmp";
  if (status == "chat") return "design\\chat.bmp";
  return std::nullopt;
}

std::string HistoryPath(std::string_view current_folder, std::int32_t id) {
  return std::string(current_folder) + "\\" + protocol::HistoryPath(std::to_string(id));
}

}  // namespace ozl::lists

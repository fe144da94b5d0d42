#include "protocol/history.h"

#include <algorithm>

namespace ozl::protocol {
namespace {

std::string_view Background(RowColour colour) {
  return colour == RowColour::kWindowOpened ? "#EDEAE1" : "#FDFAF1";
}

}  // namespace

std::string HistoryPath(std::string_view id) {
  return std::string(kHistoryFolder) + "\\" + std::string(id) + ".htm";
}

std::string HistoryHeader() {
  return "<HTML><HEAD><META content=\"text/html; charset=windows-1251\" http-equiv=Content-Type>"
         "</HEAD><BODY>";
}

std::string HistoryRow(RowColour colour, std::string_view nick, std::string_view date_time,
                       std::string_view text) {
  const std::string_view background = Background(colour);
  std::string row = "<table border=0 width=100%><tr><td bgcolor=";
  row += background;
  row += " align=center><b>";
  row += EscapeHtml(nick);
  row += "</b><td bgcolor=";
  row += background;
  row += " align=center>";
  row += date_time;
  row += "</td></tr><tr><td bgcolor=";
  row += background;
  row += " colspan=2><div align=justify>";
  row += EscapeHtml(text);
  row += "</div></td></tr></table>";
  return row;
}

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

void HistoryWriter::Append(std::string_view id, std::string_view nick, std::string_view text,
                           RowColour colour) {
  const std::string path = HistoryPath(id);
  const std::string row = HistoryRow(colour, nick, clock_.LocalDateTime(), text);
  if (!files_.Exists(path)) {
    if (!files_.Exists(std::string(kHistoryFolder))) files_.CreateFolder(std::string(kHistoryFolder));
    if (files_.CreateNew(path, HistoryHeader() + row)) return;
  }
  files_.Append(path, row);
}

}  // namespace ozl::protocol

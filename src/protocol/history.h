// The history of private messages: one HTML file per correspondent, "HISTORY\" + id + ".htm"
// below the working directory, one row appended per incoming message and never rewritten. The
// file has no line breaks: a header written when it is created, then the rows, oldest first.
// The row of the message that opened a message window is darker than the rows that reached a
// window already open, so the reader sees where a conversation (re)started.
#pragma once

#include <string>
#include <string_view>

#include "protocol/clock.h"
#include "protocol/file_system.h"

namespace ozl::protocol {

enum class RowColour {
  kWindowOpened,       // the message opened its window: #EDEAE1
  kWindowAlreadyOpen,  // the message reached an open window: #FDFAF1
};

// The folder below the working directory that holds every history file.
inline constexpr std::string_view kHistoryFolder = "HISTORY";

// kHistoryFolder + "\" + id + ".htm"
std::string HistoryPath(std::string_view id);
std::string HistoryHeader();
// Nick and text are escaped, so that a correspondent cannot put markup or script into a page the
// history viewer opens.
std::string HistoryRow(RowColour colour, std::string_view nick, std::string_view date_time,
                       std::string_view text);
// "<", ">", "&" and the double quote as character references; every other byte as it is.
std::string EscapeHtml(std::string_view text);

class HistoryWriter {
 public:
  HistoryWriter(FileSystem& files, Clock& clock) : files_(files), clock_(clock) {}

  // Appends one row to the correspondent's file, creating the file with its header and the
  // history folder when they are missing. A file that exists is only ever appended to, even when
  // the check for it fails. Throws FileError. `id` must be a plain decimal id.
  void Append(std::string_view id, std::string_view nick, std::string_view text, RowColour colour);

 private:
  FileSystem& files_;
  Clock& clock_;
};

}  // namespace ozl::protocol

// The history of private messages: one HTML file per correspondent, "HISTORY\" + id + ".htm"
// below the working directory, one row appended per incoming message and never rewritten. The
// file has no line breaks: a header written when it is created, then the rows, oldest first.
// The row of the message that opened a message window is darker than the rows that reached a
// window already open, so the reader sees where a conversation (re)started.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ozl::protocol {

// A file that cannot be created, opened or written; the text is for the error box.
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Files below the working directory. Paths are relative and use "\" between folder and file, as
// the program's own file names do. Failures throw FileError.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool Exists(const std::string& path) = 0;
  virtual void CreateFolder(const std::string& path) = 0;
  // Creates the file (emptying one that exists) with `bytes` as its content.
  virtual void CreateAndWrite(const std::string& path, std::string_view bytes) = 0;
  // Creates the file with `bytes` as its content unless a file of that name exists, which it
  // leaves as it is; says whether it created the file.
  virtual bool CreateNew(const std::string& path, std::string_view bytes) = 0;
  virtual void Append(const std::string& path, std::string_view bytes) = 0;
};

// The standard library's files below `root`, natively and on Windows alike. Every call opens and
// closes its file, so nothing stays open between messages.
class StdFileSystem : public FileSystem {
 public:
  explicit StdFileSystem(std::filesystem::path root = {}) : root_(std::move(root)) {}
  bool Exists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  void CreateAndWrite(const std::string& path, std::string_view bytes) override;
  bool CreateNew(const std::string& path, std::string_view bytes) override;
  void Append(const std::string& path, std::string_view bytes) override;

 private:
  std::filesystem::path Resolve(const std::string& path) const;
  void Write(const std::string& path, std::string_view bytes, bool append);

  std::filesystem::path root_;
};

// The local date and time as the user's regional settings write them.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::string LocalDateTime() = 0;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The short date, a blank and the long time, already formatted by the region's rules; at exactly
// midnight the time is left out and the date stands alone.
std::string DateAndTime(std::string_view short_date, std::string_view long_time, const TimeOfDay& time);

enum class RowColour {
  kWindowOpened,       // the message opened its window: #EDEAE1
  kWindowAlreadyOpen,  // the message reached an open window: #FDFAF1
};

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

// Files below the working directory, as the core sees them: the history writer and the settings
// write through this interface, which the Windows client implements with the system's own calls.
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

}  // namespace ozl::protocol

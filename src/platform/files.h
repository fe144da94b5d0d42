// Files below the working directory through the system's own calls: the history files, the
// proxy settings and the help file.
#pragma once

#include "protocol/file_system.h"

namespace ozl::platform {

class Win32FileSystem : public protocol::FileSystem {
 public:
  bool Exists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  void CreateAndWrite(const std::string& path, std::string_view bytes) override;
  bool CreateNew(const std::string& path, std::string_view bytes) override;
  void Append(const std::string& path, std::string_view bytes) override;

  // The first `limit` bytes of the file (all of a shorter one).
  std::string Read(const std::string& path, std::size_t limit);
  // Creates or replaces the file so that only the current user may open it: its access list
  // names that user alone and inherits nothing from the folder. Where the file system keeps no
  // access lists the file is written all the same.
  void CreatePrivate(const std::string& path, std::string_view bytes);
  // A file that is not there is no failure.
  void Delete(const std::string& path);
};

}  // namespace ozl::platform

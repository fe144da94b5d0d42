// Files below the working directory through the system's own calls: the history files.
#pragma once

#include "protocol/history.h"

namespace ozl::platform {

class Win32FileSystem : public protocol::FileSystem {
 public:
  bool Exists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  void CreateAndWrite(const std::string& path, std::string_view bytes) override;
  void Append(const std::string& path, std::string_view bytes) override;
};

}  // namespace ozl::platform

// The standard library's files. Kept apart from the history writer so that a program using
// another file system (the Windows client) does not carry the stream library.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <fstream>
#include <system_error>

#include "protocol/file_system.h"

namespace ozl::protocol {

bool StdFileSystem::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(Resolve(path), error);
}

void StdFileSystem::CreateFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directory(Resolve(path), error);
  if (error) throw FileError("Cannot create the folder " + path + ": " + error.message());
}

void StdFileSystem::CreateAndWrite(const std::string& path, std::string_view bytes) {
  Write(path, bytes, false);
}

bool StdFileSystem::CreateNew(const std::string& path, std::string_view bytes) {
  const std::filesystem::path resolved = Resolve(path);
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(resolved.string().c_str(), "wbx"),
                                                              &std::fclose);
  if (!file) {
    std::error_code error;
    if (std::filesystem::exists(resolved, error)) return false;
    throw FileError("Cannot open " + path);
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) throw FileError("Cannot write " + path);
  return true;
}

void StdFileSystem::Append(const std::string& path, std::string_view bytes) { Write(path, bytes, true); }

std::filesystem::path StdFileSystem::Resolve(const std::string& path) const {
  // "/" separates folders on every system the program runs on; "\" only on Windows.
  std::string portable = path;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  return root_ / std::filesystem::path(portable);
}

void StdFileSystem::Write(const std::string& path, std::string_view bytes, bool append) {
  std::ofstream file(Resolve(path), std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!file) throw FileError("Cannot open " + path);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw FileError("Cannot write " + path);
}

}  // namespace ozl::protocol

#include "platform/files.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/system_message.h"
#include "platform/text.h"

namespace ozl::platform {
namespace {

struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) { CloseHandle(file); }
};
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;

std::string Reason() {
  const DWORD error = GetLastError();
  return SystemMessage(error, "error " + std::to_string(error));
}

void Write(const std::string& path, std::string_view bytes, bool append) {
  UniqueFile file(CreateFileW(Widen(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw protocol::FileError("Cannot open " + path + ": " + Reason());
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw protocol::FileError("Cannot write " + path + ": " + Reason());
  }
}

}  // namespace

bool Win32FileSystem::Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Win32FileSystem::CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(Widen(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw protocol::FileError("Cannot create the folder " + path + ": " +
                              Reason());
  }
}

void Win32FileSystem::CreateAndWrite(const std::string& path, std::string_view bytes) {
  Write(path, bytes, false);
}

void Win32FileSystem::Append(const std::string& path, std::string_view bytes) {
  Write(path, bytes, true);
}

}  // namespace ozl::platform

#include "platform/files.h"

#include <windows.h>

#include <vector>

#include "platform/handles.h"
#include "platform/system_message.h"
#include "platform/text.h"

namespace ozl::platform {
namespace {

struct FileTraits {
  static constexpr LiveKind kKind = LiveKind::kFile;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) { CloseHandle(file); }
};
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;

std::string Reason() {
  const DWORD error = GetLastError();
  return SystemMessage(error, "error " + std::to_string(error));
}

enum class Disposition : DWORD { kAppend = OPEN_ALWAYS, kReplace = CREATE_ALWAYS, kNew = CREATE_NEW };

// False only when the file is to be new and exists already.
bool Write(const std::string& path, std::string_view bytes, Disposition disposition,
           SECURITY_ATTRIBUTES* security = nullptr) {
  const bool append = disposition == Disposition::kAppend;
  UniqueFile file(CreateFileW(Widen(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ, security, static_cast<DWORD>(disposition),
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file && disposition == Disposition::kNew && GetLastError() == ERROR_FILE_EXISTS) return false;
  if (!file) throw protocol::FileError("Cannot open " + path + ": " + Reason());
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw protocol::FileError("Cannot write " + path + ": " + Reason());
  }
  return true;
}

// A security descriptor whose access list grants everything to the current user and nothing to
// anyone else, and which takes nothing from the folder above.
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool got = size > 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!got) return;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    valid_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_ = {sizeof(attributes_), &descriptor_, FALSE};
  }
  OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
  OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

  SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }
  SECURITY_DESCRIPTOR* descriptor() { return valid_ ? &descriptor_ : nullptr; }

 private:
  std::vector<unsigned char> user_;
  std::vector<unsigned char> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool valid_ = false;
};

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
  Write(path, bytes, Disposition::kReplace);
}

bool Win32FileSystem::CreateNew(const std::string& path, std::string_view bytes) {
  return Write(path, bytes, Disposition::kNew);
}

void Win32FileSystem::Append(const std::string& path, std::string_view bytes) {
  Write(path, bytes, Disposition::kAppend);
}

}  // namespace ozl::platform

namespace ozl::platform {

std::string Win32FileSystem::Read(const std::string& path, std::size_t limit) {
  UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw protocol::FileError("Cannot open " + path + ": " + Reason());
  std::string bytes(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(limit - filled), &read, nullptr)) {
      throw protocol::FileError("Cannot read " + path + ": " + Reason());
    }
    if (read == 0) break;
    filled += read;
  }
  bytes.resize(filled);
  return bytes;
}

void Win32FileSystem::CreatePrivate(const std::string& path, std::string_view bytes) {
  OwnerOnlySecurity security;
  Write(path, bytes, Disposition::kReplace, security.attributes());
  // A file that was there keeps its old access list through CREATE_ALWAYS: replace it.
  if (SECURITY_DESCRIPTOR* descriptor = security.descriptor()) {
    SetFileSecurityW(Widen(path).c_str(),
                     DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor);
  }
}

void Win32FileSystem::Delete(const std::string& path) {
  if (!DeleteFileW(Widen(path).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    throw protocol::FileError("Cannot delete " + path + ": " + Reason());
  }
}

}  // namespace ozl::platform

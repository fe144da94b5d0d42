#include "platform/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace ozl::platform {
namespace {

TEST(Win32Files, WritesBelowTheWorkingFolderAndReportsWhatFails) {
  Win32FileSystem files;
  const std::string folder = "files_test_" + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(files.Exists(folder));
  EXPECT_THROW(files.Append(folder + "\\a.htm", "x"), protocol::FileError);

  files.CreateFolder(folder);
  files.CreateFolder(folder);  // a folder that exists is no failure
  files.CreateAndWrite(folder + "\\a.htm", "head");
  files.Append(folder + "\\a.htm", std::string("\xC0\xFF", 2));
  EXPECT_TRUE(files.Exists(folder + "\\a.htm"));

  char bytes[16] = {};
  DWORD read = 0;
  const HANDLE file = CreateFileW(L"a.htm", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);  // relative to the working folder, not elsewhere
  const std::wstring path = std::wstring(folder.begin(), folder.end()) + L"\\a.htm";
  const HANDLE written = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(written, INVALID_HANDLE_VALUE);
  ReadFile(written, bytes, sizeof(bytes), &read, nullptr);
  CloseHandle(written);
  EXPECT_EQ(std::string(bytes, read), std::string("head\xC0\xFF", 6));

  EXPECT_FALSE(files.CreateNew(folder + "\\a.htm", "replaced?"));
  EXPECT_EQ(files.Read(folder + "\\a.htm", 16), std::string("head\xC0\xFF", 6));
  EXPECT_TRUE(files.CreateNew(folder + "\\b.htm", "b"));
  DeleteFileW((std::wstring(folder.begin(), folder.end()) + L"\\b.htm").c_str());
  files.CreateAndWrite(folder + "\\a.htm", "new");
  DeleteFileW(path.c_str());
  RemoveDirectoryW(std::wstring(folder.begin(), folder.end()).c_str());
}

TEST(Win32Files, ReadsDeletesAndWritesFilesOnlyTheUserMayOpen) {
  Win32FileSystem files;
  const std::string path = "private_" + std::to_string(GetCurrentProcessId()) + ".cfg";
  EXPECT_THROW(files.Read(path, 10), protocol::FileError);
  files.Delete(path);  // a missing file is no failure
  files.CreatePrivate(path, "0123456789");
  files.CreatePrivate(path, "abcdef");  // replacing keeps it private
  EXPECT_EQ(files.Read(path, 4), "abcd");
  EXPECT_EQ(files.Read(path, 100), "abcdef");

  // The access list grants the user running the program and nobody else (Wine adds the system
  // itself to whatever it reports).
  const std::wstring wide(path.begin(), path.end());
  DWORD size = 0;
  GetFileSecurityW(wide.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<unsigned char> descriptor(size);
  ASSERT_TRUE(GetFileSecurityW(wide.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size));
  BOOL present = FALSE, defaulted = FALSE;
  ACL* acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted));
  ASSERT_TRUE(present && acl);
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<unsigned char> user(256);
  DWORD user_size = 0;
  GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &user_size);
  CloseHandle(token);
  const PSID user_sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  int user_entries = 0;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, i, &ace));
    const PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    if (EqualSid(sid, user_sid)) {
      ++user_entries;
    } else {
      EXPECT_TRUE(IsWellKnownSid(sid, WinLocalSystemSid)) << i;
    }
  }
  EXPECT_EQ(user_entries, 1);

  files.Delete(path);
  EXPECT_FALSE(files.Exists(path));
}

}  // namespace
}  // namespace ozl::platform

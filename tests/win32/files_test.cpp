#include "platform/files.h"

#include <gtest/gtest.h>
#include <windows.h>

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

  files.CreateAndWrite(folder + "\\a.htm", "new");
  DeleteFileW(path.c_str());
  RemoveDirectoryW(std::wstring(folder.begin(), folder.end()).c_str());
}

}  // namespace
}  // namespace ozl::platform

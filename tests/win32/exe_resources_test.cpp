// What the system reads from ozl.exe before a line of the program runs: its version, and the
// manifest that chooses the controls and keeps the program from elevation and redirected writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ozl_version.h"
#include "program_fixture.h"

namespace {

// ozl.exe is built beside this suite.
std::wstring ShippedExe() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"ozl.exe";
}

std::wstring Widened(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

TEST(ExeResources, VersionReadsBackAsTheBuildsVersion) {
  const std::wstring exe = ShippedExe();
  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  const DWORD high = MAKELONG(OZL_VERSION_MINOR, OZL_VERSION_MAJOR);
  const DWORD low = MAKELONG(0, OZL_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);

  const auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041904E3\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || chars == 0) return std::wstring();
    return std::wstring(value);
  };
  EXPECT_EQ(text(L"ProductVersion"), Widened(OZL_VERSION_TEXT));
  EXPECT_EQ(text(L"FileVersion"), Widened(OZL_VERSION_TEXT));
  EXPECT_EQ(text(L"ProductName"), L"OZL");
  EXPECT_EQ(text(L"LegalCopyright"), L"\u00A9 OZL");
  EXPECT_NE(text(L"FileDescription").find(L"\u043A\u043B\u0438\u0435\u043D\u0442"), std::wstring::npos);  // "клиент"
}

TEST(ExeResources, ManifestIsEmbeddedAndItsControlsAreTheOnesWindowsGet) {
  const HMODULE exe = LoadLibraryExW(ShippedExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  const HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // the process manifest
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(exe, found)));
  const std::string manifest(bytes, SizeofResource(exe, found));
  FreeLibrary(exe);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

  // This suite carries the same resources: an edit control made here comes from the assembly of
  // the common controls of version 6, as the program's do. (Wine's copy there reports itself as
  // version 5.81, so the folder, not DllGetVersion, tells.)
  const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  DestroyWindow(edit);
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH), 0u);
  std::wstring controls(path);
  CharLowerW(controls.data());
  EXPECT_NE(controls.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos) << path;
}

// The edits of version 6 draw themselves, but still ask their window for their colours.
using ColourEditTest = ozl::ProgramTest;

TEST_F(ColourEditTest, PaintsTheColoursTheWindowGives) {
  const HWND id = start().CEid.hwnd();
  const auto painted = [&] {
    RedrawWindow(id, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const HDC dc = GetDC(id);
    const COLORREF pixel = GetPixel(dc, 2, 2);
    ReleaseDC(id, dc);
    return pixel;
  };
  EXPECT_EQ(painted(), 15858429u);
  SetForegroundWindow(start().hwnd());
  SetFocus(id);
  EXPECT_EQ(painted(), 14739964u);
}

}  // namespace

// What the program does to the world outside its windows, and the modal questions it asks: sounds,
// the default browser, the standard error box, the yes-or-no question, popup menus, random
// numbers. Tests replace all but the last with recorders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace ozl::platform {

struct Effects {
  // A multimedia command such as "play sound/Beep.wav", handed over without waiting; failures
  // (no file, no sound device) are ignored.
  std::function<void(const std::string& command)> play_sound;
  // Opens a web page in the default browser.
  std::function<void(const std::string& url, HWND owner)> open_url;
  // The application's standard error box. While one is open, further errors are not stacked on it.
  std::function<void(const std::string& text)> error_box;
  // A question with the buttons Yes and No; true for Yes.
  std::function<bool(const std::string& question, HWND owner)> confirm;
  // Opens a popup menu at a screen point until the user picks an item or leaves the menu; the
  // picked item's command, or 0.
  std::function<UINT(HMENU menu, POINT at, HWND owner)> track_popup;
};

Effects& effects();

// A uniformly random word from the system's secure generator.
std::uint32_t SecureRandomWord();

}  // namespace ozl::platform

// What the program does to the world outside its windows: sounds, the default browser, the
// standard error box, random numbers. Tests replace the first three with recorders.
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
};

Effects& effects();

// A uniformly random word from the system's secure generator.
std::uint32_t SecureRandomWord();

}  // namespace ozl::platform

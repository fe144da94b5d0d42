#pragma once

#include <functional>

namespace ozl::platform {

// Runs until the program quits. Tab and Shift+Tab move between the fields of the active window.
int RunMessageLoop();

// Runs until `done` holds, checked after every message. A quit met on the way is left for the
// outer loop, which then ends too.
void RunMessageLoopUntil(const std::function<bool()>& done);

// Handles the messages waiting now and returns (for tests that drive windows directly).
void PumpWaitingMessages();

}  // namespace ozl::platform

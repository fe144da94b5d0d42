#pragma once

namespace ozl::platform {

// Runs until the program quits. Tab and Shift+Tab move between the fields of the active window.
int RunMessageLoop();

// Handles the messages waiting now and returns (for tests that drive windows directly).
void PumpWaitingMessages();

}  // namespace ozl::platform

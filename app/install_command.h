// The install button's command: checks the user's choices and runs the install.
#pragma once

#include <string>

#include "platform/platform.h"

// Non-zero when the install ran to completion; 0 when it was refused or stopped early (the
// command has then told the user why).
int RunInstallCommand(platform::WindowHandle dialog);

// True while a run started by the command is in progress. The main dialog stays enabled during
// a run, so its commands check this before they act.
bool InstallInProgress();

// The destination as the install run needs it: made absolute and normal by the system against
// the current folder of this moment, with one trailing backslash. False when the folder holds a
// wildcard, or cannot be made absolute within the path limit.
bool SettleDestination(const std::string& typed, std::string& destination);

// Appends a backslash unless the path already ends in one (a trail byte 0x5C does not count).
std::string WithTrailingBackslash(const std::string& path);

// The install button's command: checks the user's choices and runs the install.
#pragma once

#include "platform/platform.h"

// Non-zero when the install ran to completion; 0 when it was refused or stopped early (the
// command has then told the user why).
int RunInstallCommand(platform::WindowHandle dialog);

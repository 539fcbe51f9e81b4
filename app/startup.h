// The installer's start: classify Windows, read FontList.txt beside the program and open the
// main dialog. Returns the process exit code, which is 0 in every case.
#pragma once

#include <string>

#include "platform/platform.h"

int RunInstaller(platform::InstanceHandle instance);

// The full path of FontList.txt in the folder of the program at modulePath; empty when it would
// not fit in a path buffer of 260 bytes.
std::string FontListPathFor(const std::string& modulePath);

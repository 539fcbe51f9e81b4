// The two message boxes through which every part of the installer speaks to the user.
#pragma once

#include <string>

#include "platform/platform.h"

// The caption of every message box and of the installer's dialogs.
extern const char* const kAppCaption;

// MB_OK with the warning icon; owner may be null.
int ShowWarning(const std::string& text, platform::WindowHandle owner);
// MB_OK with the information icon; owner may be null.
int ShowInfo(const std::string& text, platform::WindowHandle owner);

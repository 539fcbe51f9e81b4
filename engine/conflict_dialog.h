// The question asked when a file of the target name already lies in a folder the user chose:
// overwrite it, save the new font under another name, or stop.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

enum ConflictAnswer : int32_t {
    ConflictOverwrite = 0,
    ConflictRename = 1,
    ConflictCancel = 2,
};

// The text the dialog shows, composed by the install run before each showing.
extern std::string ConflictMessage;
// 1 once the dialog was closed with "the same for the following fonts" ticked. Never reset.
extern int32_t SameForFollowing;

intptr_t ConflictDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                            intptr_t lParam);

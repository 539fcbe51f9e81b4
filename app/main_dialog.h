// The main window: the font list (or the single font) and the choice of destination.
#pragma once

#include <cstdint>

#include "platform/platform.h"

intptr_t MainDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                        intptr_t lParam);

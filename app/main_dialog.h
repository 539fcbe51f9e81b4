// The main window: the font list (or the single font) and the choice of destination.
#pragma once

#include <cstdint>

#include "platform/platform.h"

intptr_t MainDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                        intptr_t lParam);

// Selects (or deselects) every font of the list, one item at a time.
void SetAllFontsSelected(platform::WindowHandle dialog, bool select);

// Enables the destination edit and its browse button exactly when "choose a folder" is checked.
void UpdateDestinationControls(platform::WindowHandle dialog);

// What the install button does once the install command has run: a completed install is
// announced and ends the dialog with 1; otherwise the dialog stays as it is.
void FinishInstallCommand(platform::WindowHandle dialog, int commandResult);

// The copy progress dialog and the one-message pump that keeps every window of the thread alive
// while an install runs inside the install button's handler.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// 1 once the user pressed Cancel (or Esc) in the progress dialog; cleared when a dialog opens.
extern int CancelRequested;
// The open progress dialog, or null. Set by whoever creates the dialog.
extern platform::WindowHandle ProgressDialog;

intptr_t ProgressDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                            intptr_t lParam);

// Takes at most one waiting message and hands it to the progress dialog or to its window.
void PumpOneMessage();

// Moves the progress dialog's bar to position (0 to 100).
void SetProgressPosition(platform::WindowHandle dialog, int32_t position);

// Sets the status line of the progress dialog.
void SetProgressText(platform::WindowHandle dialog, const std::string& text);

#include "services/progress_dialog.h"

#include "platform/win_constants.h"
#include "resources/resource.h"

int CancelRequested = 0;
platform::WindowHandle ProgressDialog = nullptr;

intptr_t ProgressDialogProc(platform::WindowHandle /*dialog*/, unsigned message, uintptr_t wParam,
                            intptr_t /*lParam*/) {
    switch (message) {
        case win::kWmInitDialog:
            CancelRequested = 0;
            return 1;
        case win::kWmCommand:
            // The dialog never closes itself: whoever runs the copy sees the flag and stops.
            if (win::LowWord(wParam) == win::kIdCancel) {
                CancelRequested = 1;
            }
            return 1;
        default:
            return 0;
    }
}

void PumpOneMessage() {
    platform::Messages& messages = platform::Current().messages;
    platform::Message message;
    if (!messages.PeekMessage(message)) {
        return;
    }
    // The dialog's own keyboard handling: Esc becomes its Cancel command.
    if (ProgressDialog != nullptr && messages.IsDialogMessage(ProgressDialog, message)) {
        return;
    }
    messages.TranslateMessage(message);
    messages.DispatchMessage(message);
}

void SetProgressText(platform::WindowHandle dialog, const std::string& text) {
    platform::Current().ui.SetDlgItemText(dialog, IDC_PROGRESS_TEXT, text);
}

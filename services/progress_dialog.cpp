#include "services/progress_dialog.h"

#include "platform/win_constants.h"
#include "resources/resource.h"

int CancelRequested = 0;
platform::WindowHandle ProgressDialog = nullptr;

intptr_t ProgressDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                            intptr_t /*lParam*/) {
    switch (message) {
        case win::kWmInitDialog: {
            CancelRequested = 0;
            // The bar is looked up once and kept with its dialog: a copy moves it once per
            // chunk, and under Wine every lookup of a control is a round trip to the server.
            platform::Ui& ui = platform::Current().ui;
            ui.SetDialogUserData(
                dialog, reinterpret_cast<intptr_t>(ui.GetDlgItem(dialog, IDC_PROGRESS_BAR)));
            return 1;
        }
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

void SetProgressPosition(platform::WindowHandle dialog, int32_t position) {
    platform::Ui& ui = platform::Current().ui;
    const auto wParam = static_cast<uintptr_t>(static_cast<intptr_t>(position));
    const auto bar = reinterpret_cast<platform::WindowHandle>(ui.GetDialogUserData(dialog));
    if (bar != nullptr) {
        ui.SendMessage(bar, win::kPbmSetPos, wParam, 0);
    } else {
        ui.SendDlgItemMessage(dialog, IDC_PROGRESS_BAR, win::kPbmSetPos, wParam, 0);
    }
}

void SetProgressText(platform::WindowHandle dialog, const std::string& text) {
    platform::Current().ui.SetDlgItemText(dialog, IDC_PROGRESS_TEXT, text);
}

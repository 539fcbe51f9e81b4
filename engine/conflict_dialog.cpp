#include "engine/conflict_dialog.h"

#include "platform/win_constants.h"
#include "resources/resource.h"

std::string ConflictMessage;
int32_t SameForFollowing = 0;

namespace {

void InitConflictDialog(platform::WindowHandle dialog) {
    platform::Ui& ui = platform::Current().ui;
    // The template's own icon stays when the system's question mark cannot be loaded.
    platform::IconHandle question = ui.LoadIcon(nullptr, win::kIdiQuestion);
    if (question != nullptr) {
        ui.SendDlgItemMessage(dialog, IDC_CONFLICT_ICON, win::kStmSetIcon,
                              reinterpret_cast<uintptr_t>(question), 0);
    }
    ui.SetDlgItemText(dialog, IDC_CONFLICT_MESSAGE, ConflictMessage);
}

void Answer(platform::WindowHandle dialog, ConflictAnswer answer) {
    platform::Ui& ui = platform::Current().ui;
    SameForFollowing =
        ui.SendDlgItemMessage(dialog, IDC_SAME_FOR_FOLLOWING, win::kBmGetCheck, 0, 0) != 0 ? 1 : 0;
    ui.EndDialog(dialog, answer);
}

}  // namespace

intptr_t ConflictDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                            intptr_t /*lParam*/) {
    switch (message) {
        case win::kWmInitDialog:
            InitConflictDialog(dialog);
            return 1;
        case win::kWmCommand:
            switch (win::LowWord(wParam)) {
                case win::kIdOk:
                    Answer(dialog, ConflictOverwrite);
                    break;
                case IDC_RENAME:
                    Answer(dialog, ConflictRename);
                    break;
                case win::kIdCancel:
                    Answer(dialog, ConflictCancel);
                    break;
                default:
                    break;  // the checkbox toggles itself
            }
            return 1;
        default:
            return 0;
    }
}

#include "app/main_dialog.h"

#include "app/completion_message.h"
#include "app/folder_browser.h"
#include "app/install_command.h"
#include "process/messages.h"
#include "catalogue/font_list.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/folders.h"

namespace {

// The dialog's results; start-up ignores both.
constexpr intptr_t kInstalled = 1;
constexpr intptr_t kClosed = 2;

void InitMainDialog(platform::WindowHandle dialog) {
    platform::Ui& ui = platform::Current().ui;
    ui.SetDlgItemText(dialog, IDC_FONTS_FOLDER, GetFontsFolder());
    ui.SendDlgItemMessage(dialog, IDC_STANDARD_FOLDER, win::kBmSetCheck, win::kBstChecked, 0);
    ui.EnableDlgItem(dialog, IDC_DESTINATION, false);
    ui.EnableDlgItem(dialog, IDC_BROWSE, false);
    if (FontList.size() == 1) {
        ui.SetDlgItemText(dialog, IDC_SINGLE_FONT_NAME, FontList[0].fontName);
        return;
    }
    for (const FontEntry& entry : FontList) {
        ui.SendDlgItemMessage(dialog, IDC_FONT_LIST, win::kLbAddString, 0,
                              reinterpret_cast<intptr_t>(entry.fontName.c_str()));
    }
}

void BrowseForDestination(platform::WindowHandle dialog) {
    // Only a path the browser actually wrote may replace what the user has in the edit.
    char folder[win::kMaxPath] = {};
    if (BrowseForFolder(dialog, nullptr, folder, sizeof folder) == kFolderChosen &&
        folder[0] != '\0') {
        platform::Current().ui.SetDlgItemText(dialog, IDC_DESTINATION, folder);
    }
}

// While an install runs inside the install button's handler, the dialog keeps receiving
// messages. These commands would start a second run, end the dialog under the running one or
// change its controls, so they wait until the run is over.
bool HeldDuringInstall(int id) {
    return id == win::kIdOk || id == win::kIdCancel || id == IDC_SELECT_ALL ||
           id == IDC_DESELECT_ALL || id == IDC_BROWSE;
}

void OnCommand(platform::WindowHandle dialog, int id) {
    if (InstallInProgress() && HeldDuringInstall(id)) {
        return;
    }
    switch (id) {
        case win::kIdOk:
            FinishInstallCommand(dialog, RunInstallCommand(dialog));
            break;
        case win::kIdCancel:
            platform::Current().ui.EndDialog(dialog, kClosed);
            break;
        case IDC_SELECT_ALL:
            SetAllFontsSelected(dialog, true);
            break;
        case IDC_DESELECT_ALL:
            SetAllFontsSelected(dialog, false);
            break;
        case IDC_STANDARD_FOLDER:
        case IDC_CHOSEN_FOLDER:
            UpdateDestinationControls(dialog);
            break;
        case IDC_BROWSE:
            BrowseForDestination(dialog);
            break;
        default:
            // The list (a double-click included) and the edit need nothing from here.
            break;
    }
}

}  // namespace

void SetAllFontsSelected(platform::WindowHandle dialog, bool select) {
    platform::Ui& ui = platform::Current().ui;
    // Item i is FontList entry i; one message per item, never the all-items index -1.
    for (std::size_t i = 0; i < FontList.size(); ++i) {
        ui.SendDlgItemMessage(dialog, IDC_FONT_LIST, win::kLbSetSel, select ? 1 : 0,
                              static_cast<intptr_t>(i));
    }
}

void UpdateDestinationControls(platform::WindowHandle dialog) {
    platform::Ui& ui = platform::Current().ui;
    // The two radio buttons are one group, so the state of "choose a folder" decides alone.
    const bool chosenFolder =
        ui.SendDlgItemMessage(dialog, IDC_CHOSEN_FOLDER, win::kBmGetCheck, 0, 0) != 0;
    ui.EnableDlgItem(dialog, IDC_DESTINATION, chosenFolder);
    ui.EnableDlgItem(dialog, IDC_BROWSE, chosenFolder);
}

void FinishInstallCommand(platform::WindowHandle dialog, int commandResult) {
    if (commandResult == 0) {
        return;
    }
    ShowInfo(CompletionMessage(), dialog);
    platform::Current().ui.EndDialog(dialog, kInstalled);
}

intptr_t MainDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                        intptr_t /*lParam*/) {
    switch (message) {
        case win::kWmInitDialog:
            InitMainDialog(dialog);
            return 1;
        case win::kWmCommand:
            OnCommand(dialog, win::LowWord(wParam));
            return 1;
        default:
            return 0;
    }
}

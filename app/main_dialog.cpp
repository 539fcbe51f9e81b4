#include "app/main_dialog.h"

#include "catalogue/font_list.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/folders.h"

namespace {

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

}  // namespace

intptr_t MainDialogProc(platform::WindowHandle dialog, unsigned message, uintptr_t wParam,
                        intptr_t /*lParam*/) {
    switch (message) {
        case win::kWmInitDialog:
            InitMainDialog(dialog);
            return 1;
        case win::kWmCommand:
            if (win::LowWord(wParam) == win::kIdCancel) {
                platform::Current().ui.EndDialog(dialog, win::kIdCancel);
            }
            return 1;
        default:
            return 0;
    }
}

#include "app/install_command.h"

#include <vector>

#include "process/globals.h"
#include "process/messages.h"
#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "common/file_names.h"
#include "engine/install_fonts.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/destination.h"
#include "services/folders.h"
#include "services/font_registry.h"
#include "services/progress_dialog.h"

namespace {

bool installRunning = false;

// Marks a run as in progress for as long as it lives.
class RunningInstall {
  public:
    RunningInstall() { installRunning = true; }
    ~RunningInstall() { installRunning = false; }
    RunningInstall(const RunningInstall&) = delete;
    RunningInstall& operator=(const RunningInstall&) = delete;
};

// Every folder name of a typed folder must be one Windows would take as it stands. A wildcard
// ("*", "?", and on the NT family '"', "<" and ">" too) lets the folder test find some other
// folder; a colon past the drive names a stream; a name ending in a space or a dot is trimmed
// when it is created but not when a path runs through it, so the copies would fail after the
// removal pass.
bool IsFolderWindowsAccepts(const std::string& typed) {
    const bool drive =
        typed.size() >= 2 && typed[1] == ':' &&
        ((typed[0] >= 'A' && typed[0] <= 'Z') || (typed[0] >= 'a' && typed[0] <= 'z'));
    std::size_t start = drive ? 2 : 0;
    for (std::size_t i = start; i <= typed.size(); i = cp932::NextCharIndex(typed, i)) {
        if (i < typed.size() && typed[i] != '\\' && typed[i] != '/') {
            continue;
        }
        const std::string name = typed.substr(start, i - start);
        const bool plain = name.empty() || name == "." || name == "..";
        if (!plain && (!IsUsableFileName(name) || name.back() == ' ' || name.back() == '.')) {
            return false;
        }
        start = i + 1;
        if (i == typed.size()) {
            break;
        }
    }
    return true;
}

std::string OthersMayReplaceWarning(const std::string& destination) {
    return "フォルダ「" + destination +
           "」には、ほかのユーザがフォントを置き換えられるため、インストールできません。\n"
           "標準のフォントフォルダを選ぶと、安全にインストールできます。";
}

std::vector<FontEntry> SelectedFonts(platform::WindowHandle dialog) {
    std::vector<FontEntry> selection;
    if (FontList.size() == 1) {
        selection.push_back(FontList[0]);
        return selection;
    }
    platform::Ui& ui = platform::Current().ui;
    for (std::size_t i = 0; i < FontList.size(); ++i) {
        if (ui.SendDlgItemMessage(dialog, IDC_FONT_LIST, win::kLbGetSel, i, 0) > 0) {
            selection.push_back(FontList[i]);
        }
    }
    return selection;
}

std::string FontsFolderUnresolved(const std::string& folder) {
    return "フォントフォルダ「" + folder + "」の場所を確認できないため、インストールできません。";
}

// The folder chosen in the dialog, prepared for the run: resolved, and a folder of the user's
// choice checked and held. False after telling the user why not.
bool ChooseDestination(platform::WindowHandle dialog, Destination& destination) {
    platform::Ui& ui = platform::Current().ui;
    if (ui.SendDlgItemMessage(dialog, IDC_CHOSEN_FOLDER, win::kBmGetCheck, 0, 0) == 0) {
        destination =
            Destination(WithTrailingBackslash(ui.GetDlgItemText(dialog, IDC_FONTS_FOLDER)), true);
        if (destination.HoldLevels() != Destination::Hold::Held) {
            ShowWarning(FontsFolderUnresolved(destination.Folder()), dialog);
            return false;
        }
        return true;
    }
    const std::string typed = ui.GetDlgItemText(dialog, IDC_DESTINATION);
    if (typed.empty()) {
        ShowWarning("コピー先のフォルダを選択してください。", dialog);
        return false;
    }
    std::string folder;
    if (!SettleDestination(typed, folder)) {
        ShowWarning("フォルダ「" + WithTrailingBackslash(typed) + "」の作成に失敗しました。",
                    dialog);
        return false;
    }
    // Fonts are loaded into every session and registered machine-wide: no other user may be able
    // to swap them. The levels that exist are checked and held before anything is created, and
    // the rest once they are, since a folder someone else made in the meantime would stand in
    // the path.
    const bool fontsFolder =
        cp932::EqualsIgnoreCase(folder, WithTrailingBackslash(GetFontsFolder()));
    destination = Destination(folder, fontsFolder);
    Destination::Hold held = destination.HoldLevels();
    if (held == Destination::Hold::Missing) {
        if (CreateFolderTree(folder) == 0 ||
            (held = destination.HoldLevels()) == Destination::Hold::Missing) {
            ShowWarning("フォルダ「" + folder + "」の作成に失敗しました。", dialog);
            return false;
        }
    }
    if (held == Destination::Hold::Refused) {
        ShowWarning(fontsFolder ? FontsFolderUnresolved(folder) : OthersMayReplaceWarning(folder),
                    dialog);
        return false;
    }
    return true;
}

}  // namespace

std::string WithTrailingBackslash(const std::string& path) {
    return cp932::EndsWithBackslash(path) ? path : path + "\\";
}

bool SettleDestination(const std::string& typed, std::string& destination) {
    if (!cp932::IsWellFormed(typed)) {
        return false;  // a backslash appended to a lone lead byte would become its second byte
    }
    if (!IsFolderWindowsAccepts(typed)) {
        return false;
    }
    // The system makes every folder absolute and normal: "/" becomes "\\", and "." and ".."
    // go. A relative folder is pinned down now, since the install run changes the current
    // folder before it copies: the folder created and the folder copied into are the same.
    std::string absolute;
    if (!platform::Current().files.GetFullPathName(typed, absolute)) {
        return false;
    }
    destination = WithTrailingBackslash(absolute);
    return destination.size() < win::kMaxPath;
}

bool InstallInProgress() {
    return installRunning;
}

int RunInstallCommand(platform::WindowHandle dialog) {
    if (installRunning) {
        return 0;  // one run at a time
    }
    if (PlatformId == 2 && CanOpenFontsKey() == 0) {
        ShowWarning("フォントのインストールは管理者権限のあるユーザで行ってください。", dialog);
        return 0;
    }
    const std::vector<FontEntry> selection = SelectedFonts(dialog);
    if (selection.empty()) {
        ShowInfo("インストールするフォントを選択してください。", dialog);
        return 0;
    }
    // Held until the run ends: no level of the folder can be renamed or replaced meanwhile.
    Destination destination;
    if (!ChooseDestination(dialog, destination)) {
        return 0;
    }

    RunningInstall running;
    platform::Ui& ui = platform::Current().ui;
    ProgressDialog = ui.CreateDialogParam(AppInstance, IDD_PROGRESS, dialog, ProgressDialogProc, 0);
    if (ProgressDialog == nullptr) {
        // Without its window a run could neither show its progress nor be cancelled; nothing
        // has been changed yet, so the user may simply try again.
        ShowWarning("コピーの進行状況を表示できないため、インストールを開始できませんでした。",
                    dialog);
        return 0;
    }
    const int result = InstallFonts(ProgressDialog, selection, destination);
    ui.DestroyWindow(ProgressDialog);
    ProgressDialog = nullptr;
    return result;
}

#include "app/startup.h"

#include "process/globals.h"
#include "app/main_dialog.h"
#include "process/messages.h"
#include "app/os_class.h"
#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "resources/resource.h"
#include "services/folders.h"
#include "platform/win_constants.h"

namespace {

constexpr char kFontListName[] = "FontList.txt";

}  // namespace

std::string FontListPathFor(const std::string& modulePath) {
    const std::size_t lastBackslash = cp932::FindLastBackslash(modulePath);
    const std::string folder = lastBackslash == std::string::npos
                                   ? std::string()
                                   : modulePath.substr(0, lastBackslash + 1);
    std::string path = folder + kFontListName;
    if (path.size() >= win::kMaxPath) {
        return std::string();
    }
    return path;
}

int RunInstaller(platform::InstanceHandle instance) {
    platform::Platform& system = platform::Current();
    AppInstance = instance;

    platform::OsVersion version;
    if (!system.system.GetVersionEx(version)) {
        ShowWarning("OSバージョンの取得に失敗しました。", nullptr);
        return 0;
    }
    PlatformId = version.platformId;
    OsClass = ClassifyOs(version.platformId, version.majorVersion, version.minorVersion);

    char modulePath[win::kMaxPath] = {};
    const uint32_t length = system.system.GetModuleFileName(AppInstance, modulePath, win::kMaxPath);
    // A module path that fills the whole buffer was cut short; FontList.txt beside it could not
    // be named within the path limit either.
    std::string fontListPath;
    if (length > 0 && length < win::kMaxPath) {
        fontListPath = FontListPathFor(std::string(modulePath, length));
    }
    if (fontListPath.empty() || !PathExists(fontListPath, 0)) {
        ShowWarning("フォント情報ファイル「FontList.txt」が見つかりません。", nullptr);
        return 0;
    }

    if (!LoadFontList(nullptr, fontListPath)) {
        return 0;
    }
    if (FontList.empty()) {
        ShowWarning("フォント情報ファイル「FontList.txt」に有効なデータが記入されていません。",
                    nullptr);
        return 0;
    }

    const int templateId = FontList.size() == 1 ? IDD_SINGLE_FONT : IDD_FONT_LIST;
    system.ui.DialogBoxParam(AppInstance, templateId, nullptr, MainDialogProc, 0);
    return 0;
}

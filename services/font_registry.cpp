#include "services/font_registry.h"

#include "process/globals.h"
#include "process/messages.h"
#include "common/cp932.h"
#include "common/path_parts.h"
#include "platform/win_constants.h"
#include "services/folders.h"

namespace {

const char kTrueTypeEnding[] = " (TrueType)";
const char kOpenTypeEnding[] = " (OpenType)";

// The endings a value of ours may carry, in the order a delete tries them. The last two are never
// written but are found in tables that other installers filled.
const char* const kDeleteEndings[] = {kTrueTypeEnding, kOpenTypeEnding, "", " (True Type)",
                                      " (Open Type)"};

}  // namespace

const char* FontsKeyPath() {
    return PlatformId == 1 ? "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"
                           : "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
}

std::string NameEndingFor(const std::string& installedPath) {
    const std::string extension = SplitPath(installedPath).extension;
    if (cp932::EqualsIgnoreCase(extension, ".otf")) {
        return kOpenTypeEnding;
    }
    if (cp932::EqualsIgnoreCase(extension, ".ttf") || cp932::EqualsIgnoreCase(extension, ".ttc")) {
        return kTrueTypeEnding;
    }
    return "";
}

std::string RegistryDataFor(const std::string& installedPath) {
    const PathParts parts = SplitPath(installedPath);
    if (cp932::EqualsIgnoreCase(parts.drive + parts.directory, GetFontsFolder() + "\\")) {
        return parts.baseName + parts.extension;
    }
    return installedPath;
}

int CanOpenFontsKey() {
    platform::Registry& registry = platform::Current().registry;
    platform::KeyHandle key = nullptr;
    if (registry.OpenKey(FontsKeyPath(), win::kKeyAllAccess, key) != win::kErrorSuccess) {
        return 0;
    }
    registry.CloseKey(key);
    return 1;
}

int WriteFontRegistryEntry(platform::WindowHandle owner, const std::string& fontName,
                           const std::string& installedPath) {
    platform::Registry& registry = platform::Current().registry;
    platform::KeyHandle key = nullptr;
    if (registry.OpenKey(FontsKeyPath(), win::kKeyAllAccess, key) != win::kErrorSuccess) {
        ShowWarning("レジストリ書き込みのためのオープンに失敗しました。", owner);
        return 0;
    }
    const std::string name = fontName + NameEndingFor(installedPath);
    const std::string data = RegistryDataFor(installedPath);
    const int32_t result = registry.SetValue(key, name, win::kRegSz, data.c_str(),
                                             static_cast<uint32_t>(data.size() + 1));
    if (result != win::kErrorSuccess) {
        ShowWarning("レジストリの書き込みに失敗しました。", owner);
        registry.CloseKey(key);
        return 0;
    }
    registry.CloseKey(key);
    return 1;
}

int DeleteRegistryValue(platform::KeyHandle key, const std::string& baseName,
                        const std::string& ending) {
    return platform::Current().registry.DeleteValue(key, baseName + ending) == win::kErrorSuccess
               ? 1
               : 0;
}

int DeleteFontRegistryEntry(const std::string& fontName, std::string& errorText) {
    platform::Registry& registry = platform::Current().registry;
    platform::KeyHandle key = nullptr;
    if (registry.OpenKey(FontsKeyPath(), win::kKeyAllAccess, key) != win::kErrorSuccess) {
        errorText = "レジストリ削除のためのオープンに失敗しました。";
        return 0;
    }
    for (const char* ending : kDeleteEndings) {
        if (DeleteRegistryValue(key, fontName, ending) != 0) {
            registry.CloseKey(key);
            return 1;
        }
    }
    errorText = "インストール済みフォントのレジストリ削除に失敗しました。";
    registry.CloseKey(key);
    return 0;
}

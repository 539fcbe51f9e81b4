#include "services/font_registry.h"

#include "app/globals.h"
#include "app/messages.h"
#include "common/cp932.h"
#include "platform/win_constants.h"
#include "services/folders.h"

namespace {

const char kTrueTypeEnding[] = " (TrueType)";
const char kOpenTypeEnding[] = " (OpenType)";

// The endings a value of ours may carry, in the order a delete tries them. The last two are never
// written but are found in tables that other installers filled.
const char* const kDeleteEndings[] = {kTrueTypeEnding, kOpenTypeEnding, "", " (True Type)",
                                      " (Open Type)"};

// An installed path split as the C runtime's _splitpath splits it: drive and folder (through the
// last backslash) apart from the file's name.
struct SplitPath {
    std::string driveAndFolder;
    std::string fileName;
    std::string extension;  // from the last period of the file name on, period included
};

SplitPath Split(const std::string& path) {
    SplitPath split;
    const std::size_t slash = cp932::FindLastBackslash(path);
    std::size_t nameStart = 0;
    if (slash != std::string::npos) {
        nameStart = slash + 1;
    } else if (path.size() >= 2 && path[1] == ':' && !cp932::IsLeadByte(path[0])) {
        nameStart = 2;  // "C:name" has a drive but no folder
    }
    split.driveAndFolder = path.substr(0, nameStart);
    split.fileName = path.substr(nameStart);
    std::size_t period = std::string::npos;
    for (std::size_t i = 0; i < split.fileName.size();
         i = cp932::NextCharIndex(split.fileName, i)) {
        if (split.fileName[i] == '.') {
            period = i;
        }
    }
    if (period != std::string::npos) {
        split.extension = split.fileName.substr(period);
    }
    return split;
}

}  // namespace

const char* FontsKeyPath() {
    return PlatformId == 1 ? "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"
                           : "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
}

std::string NameEndingFor(const std::string& installedPath) {
    const std::string extension = Split(installedPath).extension;
    if (cp932::EqualsIgnoreCase(extension, ".otf")) {
        return kOpenTypeEnding;
    }
    if (cp932::EqualsIgnoreCase(extension, ".ttf") || cp932::EqualsIgnoreCase(extension, ".ttc")) {
        return kTrueTypeEnding;
    }
    return "";
}

std::string RegistryDataFor(const std::string& installedPath) {
    const SplitPath split = Split(installedPath);
    if (cp932::EqualsIgnoreCase(split.driveAndFolder, GetFontsFolder() + "\\")) {
        return split.fileName;
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

#include "catalogue/installed_fonts.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "process/messages.h"
#include "common/cp932.h"
#include "platform/win_constants.h"
#include "services/folders.h"
#include "services/font_registry.h"

std::vector<std::string> FaceNameList;

namespace {

// Compared byte for byte, in this order; a value name carries them without a leading blank.
const char* const kTypeSuffixes[] = {"(OpenType)", "(Open Type)", "(TrueType)", "(True Type)"};
const char* const kFontExtensions[] = {".otf", ".ttf", ".ttc"};

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (x != b[i]) {
            return false;
        }
    }
    return true;
}

// The data of a value as a string: up to its first NUL, whatever the value's type.
std::string UpToFirstNul(const char* bytes, std::size_t size) {
    return std::string(bytes, std::find(bytes, bytes + size, '\0'));
}

using ValueVisitor = std::function<void(const std::string& name, const std::string& data,
                                        const std::string& folderPrefix)>;

// Reads every value of the font table and hands each one's name and data to visit, with the
// Fonts folder and a backslash for data that is a bare file name. Shows the failure and returns
// 0 when the table cannot be opened or queried.
int ScanFontsKey(platform::WindowHandle owner, const ValueVisitor& visit) {
    platform::Registry& registry = platform::Current().registry;
    platform::KeyHandle key = nullptr;
    if (registry.OpenKey(FontsKeyPath(), win::kKeyRead, key) != win::kErrorSuccess) {
        ShowWarning("レジストリのオープンに失敗しました。", owner);
        return 0;
    }
    platform::KeyInfo info;
    if (registry.QueryInfoKey(key, info) != win::kErrorSuccess) {
        ShowWarning("レジストリの読み込みに失敗しました。", owner);
        registry.CloseKey(key);
        return 0;
    }
    if (info.values == 0) {
        registry.CloseKey(key);
        return 1;
    }
    // The longest name is counted in characters: twice that holds it in double-byte characters.
    const uint32_t nameCapacity = info.maxValueNameLength * 2 + 2;
    const uint32_t dataCapacity = info.maxValueDataLength + 1;
    const std::string folderPrefix = GetFontsFolder() + "\\";
    std::vector<char> name(nameCapacity);
    std::vector<unsigned char> data(dataCapacity);
    for (uint32_t index = 0;; ++index) {
        uint32_t nameSize = nameCapacity;
        uint32_t dataSize = dataCapacity;
        uint32_t type = 0;
        // The end of the values and any error alike end the scan; what was read counts.
        if (registry.EnumValue(key, index, name.data(), nameSize, type, data.data(), dataSize) !=
            win::kErrorSuccess) {
            break;
        }
        nameSize = nameSize < nameCapacity ? nameSize : nameCapacity;
        dataSize = dataSize < dataCapacity ? dataSize : dataCapacity;
        visit(UpToFirstNul(name.data(), nameSize),
              UpToFirstNul(reinterpret_cast<const char*>(data.data()), dataSize), folderPrefix);
    }
    registry.CloseKey(key);
    return 1;
}

}  // namespace

bool RegisteredFontName(const std::string& valueName, const std::string& data,
                        std::string& fontName) {
    bool found = false;
    for (const char* suffix : kTypeSuffixes) {
        if (EndsWith(valueName, suffix)) {
            fontName = valueName.substr(0, valueName.size() - std::strlen(suffix));
            found = true;
            break;
        }
    }
    if (!found) {
        const std::string tail = data.size() <= 4 ? data : data.substr(data.size() - 4);
        for (const char* extension : kFontExtensions) {
            if (EqualsIgnoringAsciiCase(tail, extension)) {
                fontName = valueName;
                found = true;
                break;
            }
        }
    }
    if (found) {
        TrimTrailingSpaces(fontName);
    }
    return found;
}

std::string RegisteredFilePath(const std::string& data, const std::string& folderPrefix) {
    if ((data.size() >= 2 && data[1] == ':') || (!data.empty() && data[0] == '\\')) {
        return data;
    }
    return folderPrefix + data;
}

int ScanInstalledFonts(platform::WindowHandle owner, std::vector<FontEntry>& fonts) {
    fonts.clear();
    return ScanFontsKey(owner, [&](const std::string& name, const std::string& data,
                                   const std::string& folderPrefix) {
        std::string fontName;
        if (RegisteredFontName(name, data, fontName)) {
            fonts.push_back(FontEntry{fontName, RegisteredFilePath(data, folderPrefix)});
        }
    });
}

int ScanRegisteredFontFiles(platform::WindowHandle owner, std::vector<std::string>& files) {
    files.clear();
    return ScanFontsKey(
        owner, [&](const std::string&, const std::string& data, const std::string& folderPrefix) {
            files.push_back(RegisteredFilePath(data, folderPrefix));
        });
}

int FaceNameEnumProc(const char* faceName, uint32_t /*fontType*/, intptr_t /*data*/) {
    if (faceName != nullptr && faceName[0] != '\0') {
        FaceNameList.emplace_back(faceName);
    }
    return 1;
}

void CollectFaceNames(platform::WindowHandle owner) {
    FaceNameList.clear();
    platform::Gdi& gdi = platform::Current().gdi;
    platform::DeviceContext context = gdi.GetDC(owner);
    gdi.EnumFontFamilies(context, FaceNameEnumProc, 0);
    gdi.ReleaseDC(owner, context);
}

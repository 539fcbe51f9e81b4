#include <algorithm>
#include <cstring>

#include "platform/fake/fake_platform.h"
#include "platform/win_constants.h"

namespace fake {

// --- GDI --------------------------------------------------------------------------------------

platform::DeviceContext FakePlatform::GetDC(platform::WindowHandle) {
    Log("GetDC", "");
    if (Fails("GetDC")) {
        return nullptr;
    }
    auto context = reinterpret_cast<platform::DeviceContext>(nextHandle_++);
    deviceContexts_.insert(context);
    ++liveDeviceContexts;
    return context;
}

int FakePlatform::ReleaseDC(platform::WindowHandle, platform::DeviceContext context) {
    Log("ReleaseDC", "");
    if (deviceContexts_.erase(context) == 0) {
        return 0;
    }
    --liveDeviceContexts;
    return 1;
}

int FakePlatform::EnumFontFamilies(platform::DeviceContext context,
                                   platform::FontFamilyProcedure procedure, intptr_t data) {
    Log("EnumFontFamiliesA", "");
    if (deviceContexts_.count(context) == 0) {
        return 0;
    }
    int result = 1;
    for (const std::string& family : fontFamilies) {
        // lfFaceName holds 32 bytes, terminator included.
        char faceName[32] = {};
        std::strncpy(faceName, family.c_str(), sizeof faceName - 1);
        result = procedure(faceName, 4 /* TRUETYPE_FONTTYPE */, data);
        if (result == 0) {
            break;
        }
    }
    return result;
}

namespace {

// The family a fake font file brings: the rest of its first line after the face tag.
std::string FaceOf(const std::string& contents) {
    const std::string tag = FakePlatform::kFaceTag;
    if (contents.compare(0, tag.size(), tag) != 0) {
        return std::string();
    }
    const std::size_t end = contents.find('\n');
    return contents.substr(tag.size(), end == std::string::npos ? end : end - tag.size());
}

}  // namespace

bool FakePlatform::FontLoaded(const std::string& path) const {
    const std::string key = Key(path);
    for (const std::string& loaded : loadedFonts) {
        if (Key(loaded) == key) {
            return true;
        }
    }
    return false;
}

int FakePlatform::AddFontResource(const std::string& path) {
    Log("AddFontResourceA", path);
    if (Fails("AddFontResourceA", path) || !FileExists(path)) {
        return 0;
    }
    loadedFonts.push_back(Resolve(path));
    const std::string face = FaceOf(Contents(path));
    if (!face.empty()) {
        fontFamilies.push_back(face);
    }
    return 1;
}

bool FakePlatform::RemoveFontResource(const std::string& path) {
    Log("RemoveFontResourceA", path);
    const std::string key = Key(path);
    auto loaded = std::find_if(loadedFonts.begin(), loadedFonts.end(),
                               [&](const std::string& p) { return Key(p) == key; });
    if (Fails("RemoveFontResourceA", path) || loaded == loadedFonts.end()) {
        return false;
    }
    loadedFonts.erase(loaded);
    const std::string face = FaceOf(Contents(path));
    auto family = std::find(fontFamilies.begin(), fontFamilies.end(), face);
    if (!face.empty() && family != fontFamilies.end()) {
        fontFamilies.erase(family);
    }
    return true;
}

// --- the message queue ------------------------------------------------------------------------

void FakePlatform::PostCommand(platform::WindowHandle window, int id) {
    messageQueue.push_back(
        platform::Message{window, win::kWmCommand, static_cast<uintptr_t>(id), 0, 0, 0, 0});
}

void FakePlatform::PostKey(platform::WindowHandle window, uintptr_t virtualKey) {
    messageQueue.push_back(platform::Message{window, win::kWmKeyDown, virtualKey, 0, 0, 0, 0});
}

bool FakePlatform::PeekMessage(platform::Message& message) {
    Log("PeekMessageA", "");
    ++peekCount;
    if (onPeekMessage) {
        onPeekMessage(peekCount);
    }
    if (messageQueue.empty()) {
        return false;
    }
    message = messageQueue.front();
    messageQueue.pop_front();
    return true;
}

bool FakePlatform::IsDialogMessage(platform::WindowHandle dialog,
                                   const platform::Message& message) {
    Log("IsDialogMessageA", "");
    if (message.window != dialog) {
        return false;
    }
    auto procedure = procedures_.find(dialog);
    if (procedure == procedures_.end()) {
        return true;
    }
    // The dialog manager's keyboard interface: Esc is the Cancel command.
    if (message.message == win::kWmKeyDown && message.wParam == win::kVkEscape) {
        procedure->second(dialog, win::kWmCommand, static_cast<uintptr_t>(win::kIdCancel), 0);
        return true;
    }
    procedure->second(dialog, message.message, message.wParam, message.lParam);
    return true;
}

bool FakePlatform::TranslateMessage(const platform::Message&) {
    Log("TranslateMessage", "");
    return false;
}

intptr_t FakePlatform::DispatchMessage(const platform::Message& message) {
    Log("DispatchMessageA", "");
    auto procedure = procedures_.find(message.window);
    if (procedure == procedures_.end()) {
        return 0;
    }
    return procedure->second(message.window, message.message, message.wParam, message.lParam);
}

}  // namespace fake

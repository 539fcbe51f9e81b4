#include <cstring>

#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

struct FamilyEnumeration {
    FontFamilyProcedure procedure;
    intptr_t data;
};

int CALLBACK ForwardingFamilyProc(const LOGFONTA* font, const TEXTMETRICA* /*metrics*/,
                                  DWORD fontType, LPARAM lParam) {
    const auto* enumeration = reinterpret_cast<const FamilyEnumeration*>(lParam);
    // lfFaceName is terminated by GDI; a copy one byte longer makes sure of it.
    char faceName[LF_FACESIZE + 1] = {};
    std::memcpy(faceName, font->lfFaceName, LF_FACESIZE);
    return enumeration->procedure(faceName, fontType, enumeration->data);
}

}  // namespace

DeviceContext Win32Gdi::GetDC(WindowHandle window) {
    return ::GetDC(static_cast<HWND>(window));
}

int Win32Gdi::ReleaseDC(WindowHandle window, DeviceContext context) {
    return ::ReleaseDC(static_cast<HWND>(window), static_cast<HDC>(context));
}

int Win32Gdi::EnumFontFamilies(DeviceContext context, FontFamilyProcedure procedure,
                               intptr_t data) {
    FamilyEnumeration enumeration{procedure, data};
    return ::EnumFontFamiliesA(static_cast<HDC>(context), nullptr,
                               reinterpret_cast<FONTENUMPROCA>(ForwardingFamilyProc),
                               reinterpret_cast<LPARAM>(&enumeration));
}

int Win32Gdi::AddFontResource(const std::string& path) {
    return ::AddFontResourceA(path.c_str());
}

bool Win32Gdi::RemoveFontResource(const std::string& path) {
    return ::RemoveFontResourceA(path.c_str()) != 0;
}

}  // namespace platform::win32

#include "platform/win32/win32_platform.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

bool Win32SystemInfo::GetVersionEx(OsVersion& version) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info)) {
        return false;
    }
    version.majorVersion = info.dwMajorVersion;
    version.minorVersion = info.dwMinorVersion;
    version.buildNumber = info.dwBuildNumber;
    version.platformId = info.dwPlatformId;
    return true;
}

uint32_t Win32SystemInfo::GetModuleFileName(InstanceHandle instance, char* buffer, uint32_t size) {
    return ::GetModuleFileNameA(static_cast<HMODULE>(instance), buffer, size);
}

LibrarySearch RestrictLibrarySearch() {
    // Both calls are missing from older systems, so they are looked up rather than imported.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryCall = BOOL(WINAPI*)(LPCSTR);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesCall>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return LibrarySearch::SystemFolderOnly;
    }
    const auto setDirectory = reinterpret_cast<SetDllDirectoryCall>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory != nullptr && setDirectory("")) {
        return LibrarySearch::WithoutCurrentFolder;
    }
    return LibrarySearch::Unchanged;
}

void InitDialogControls() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
}

std::array<bool, 256> SystemLeadBytes() {
    std::array<bool, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != 0;
    }
    return table;
}

}  // namespace platform::win32

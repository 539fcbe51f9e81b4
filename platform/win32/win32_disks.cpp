#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

using GetDiskFreeSpaceExAFunction = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                                  PULARGE_INTEGER);
using WNetAddConnectionAFunction = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);
using WNetCancelConnectionAFunction = DWORD(WINAPI*)(LPCSTR, BOOL);

GetDiskFreeSpaceExAFunction LookUpGetDiskFreeSpaceEx() {
    return reinterpret_cast<GetDiskFreeSpaceExAFunction>(
        reinterpret_cast<void*>(LoadedSystemFunction("kernel32.dll", "GetDiskFreeSpaceExA")));
}

// MPR is needed only on systems without GetDiskFreeSpaceExA, so it is not imported: it is loaded
// from the system folder by its full path, never from the program's or the current folder.
FARPROC MprFunction(const char* name) {
    static HMODULE mpr = [] {
        char path[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        const char kName[] = "\\mpr.dll";
        if (length == 0 || length + sizeof(kName) > MAX_PATH) {
            return static_cast<HMODULE>(nullptr);
        }
        lstrcatA(path, kName);
        return ::LoadLibraryA(path);
    }();
    return mpr == nullptr ? nullptr : ::GetProcAddress(mpr, name);
}

}  // namespace

bool Win32Disks::HasGetDiskFreeSpaceEx() {
    return LookUpGetDiskFreeSpaceEx() != nullptr;
}

int Win32Disks::GetDiskFreeSpaceEx(const std::string& directory, uint64_t& freeBytesToCaller) {
    GetDiskFreeSpaceExAFunction function = LookUpGetDiskFreeSpaceEx();
    if (function == nullptr) {
        return 0;
    }
    ULARGE_INTEGER freeToCaller = {};
    ULARGE_INTEGER total = {};
    const BOOL result = function(directory.c_str(), &freeToCaller, &total, nullptr);
    if (result) {
        freeBytesToCaller = freeToCaller.QuadPart;
    }
    return result;
}

int Win32Disks::GetDiskFreeSpace(const std::string& root, DiskGeometry& geometry) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const BOOL result = ::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                            &freeClusters, &totalClusters);
    if (result) {
        geometry = DiskGeometry{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
    }
    return result;
}

unsigned Win32Disks::GetDriveType(const std::string& root) {
    return ::GetDriveTypeA(root.c_str());
}

unsigned Win32Disks::AddConnection(const std::string& remoteName, const std::string& localName) {
    auto add = reinterpret_cast<WNetAddConnectionAFunction>(
        reinterpret_cast<void*>(MprFunction("WNetAddConnectionA")));
    if (add == nullptr) {
        return ERROR_NOT_SUPPORTED;
    }
    return add(remoteName.c_str(), nullptr, localName.c_str());
}

unsigned Win32Disks::CancelConnection(const std::string& localName, bool force) {
    auto cancel = reinterpret_cast<WNetCancelConnectionAFunction>(
        reinterpret_cast<void*>(MprFunction("WNetCancelConnectionA")));
    if (cancel == nullptr) {
        return ERROR_NOT_SUPPORTED;
    }
    return cancel(localName.c_str(), force ? TRUE : FALSE);
}

}  // namespace platform::win32

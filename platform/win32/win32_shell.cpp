#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

bool Win32Shell::GetMalloc(ShellAllocator& allocator) {
    IMalloc* malloc = nullptr;
    if (::SHGetMalloc(&malloc) != S_OK || malloc == nullptr) {
        return false;
    }
    allocator = malloc;
    return true;
}

bool Win32Shell::GetSpecialFolderLocation(int csidl, ItemList& list) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr) {
        return false;
    }
    list = items;
    return true;
}

int Win32Shell::GetPathFromIDList(ItemList list, std::string& path) {
    char buffer[MAX_PATH] = {};
    const BOOL result = ::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(list), buffer);
    if (result) {
        path = buffer;
    }
    return result;
}

void Win32Shell::Free(ShellAllocator allocator, ItemList list) {
    static_cast<IMalloc*>(allocator)->Free(list);
}

void Win32Shell::Release(ShellAllocator allocator) {
    static_cast<IMalloc*>(allocator)->Release();
}

}  // namespace platform::win32

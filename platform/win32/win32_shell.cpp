#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

// The portable callback and its data travel to the shell behind one pointer; a stdcall callback
// forwards to it.
struct BrowseForward {
    BrowseCallback callback;
    intptr_t data;
};

int CALLBACK ForwardingBrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
    const auto* forward = reinterpret_cast<const BrowseForward*>(data);
    return forward->callback(browser, message, lParam, forward->data);
}

// The new-style browser wants OLE initialised on the calling thread, as a single-threaded
// apartment (its tree offers drag and drop and context menus). OLE32 is not imported, to keep
// the exe's imports to what it had; it is loaded from the system folder by its full path, never
// from the program's or the current folder. If OLE cannot be had, the browser is opened anyway.
class OleForBrowsing {
  public:
    OleForBrowsing() {
        char path[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        const char kName[] = "\\ole32.dll";
        if (length == 0 || length + sizeof(kName) > MAX_PATH) {
            return;
        }
        lstrcatA(path, kName);
        ole32_ = ::LoadLibraryA(path);
        if (ole32_ == nullptr) {
            return;
        }
        auto initialize = reinterpret_cast<HRESULT(WINAPI*)(LPVOID)>(
            reinterpret_cast<void*>(::GetProcAddress(ole32_, "OleInitialize")));
        uninitialize_ = reinterpret_cast<void(WINAPI*)()>(
            reinterpret_cast<void*>(::GetProcAddress(ole32_, "OleUninitialize")));
        // S_FALSE (already initialised on this thread) must be balanced too; a failure, such as
        // a thread already in the multithreaded apartment, must not.
        initialized_ =
            initialize != nullptr && uninitialize_ != nullptr && SUCCEEDED(initialize(nullptr));
    }
    ~OleForBrowsing() {
        if (initialized_) {
            uninitialize_();
        }
        if (ole32_ != nullptr) {
            ::FreeLibrary(ole32_);
        }
    }
    OleForBrowsing(const OleForBrowsing&) = delete;
    OleForBrowsing& operator=(const OleForBrowsing&) = delete;

  private:
    HMODULE ole32_ = nullptr;
    void(WINAPI* uninitialize_)() = nullptr;
    bool initialized_ = false;
};

}  // namespace

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

ItemList Win32Shell::BrowseForFolder(const BrowseInfo& info) {
    BrowseForward forward{info.callback, info.data};
    BROWSEINFOA browse = {};
    browse.hwndOwner = static_cast<HWND>(info.owner);
    browse.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(info.root);
    browse.pszDisplayName = info.displayName;
    browse.lpszTitle = info.title;
    browse.ulFlags = info.flags;
    if (info.callback != nullptr) {
        browse.lpfn = ForwardingBrowseCallback;
        browse.lParam = reinterpret_cast<LPARAM>(&forward);
    } else {
        browse.lParam = info.data;
    }
    OleForBrowsing ole;
    return ::SHBrowseForFolderA(&browse);
}

}  // namespace platform::win32

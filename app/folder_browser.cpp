#include "app/folder_browser.h"

#include <cstring>
#include <string>

#include "platform/win_constants.h"

const char* const kBrowseTitle = "フォルダを選択してください";

int BrowseCallback(platform::WindowHandle browser, unsigned message, intptr_t /*lParam*/,
                   intptr_t data) {
    if (message == win::kBffmInitialized && data != 0) {
        // wParam TRUE: lParam is a path, not an item list.
        platform::Current().ui.SendMessage(browser, win::kBffmSetSelectionA, 1, data);
    }
    return 0;
}

int BrowseForFolder(platform::WindowHandle owner, const char* initialFolder, char* buffer,
                    std::size_t capacity) {
    platform::Shell& shell = platform::Current().shell;
    platform::BrowseInfo info;
    info.owner = owner;
    info.title = kBrowseTitle;
    info.flags = win::kBifNewDialogStyle;
    info.callback = BrowseCallback;
    info.data = reinterpret_cast<intptr_t>(initialFolder);
    platform::ItemList chosen = shell.BrowseForFolder(info);
    if (chosen == nullptr) {
        return kBrowseCancelled;
    }

    std::string path;
    const bool isFolder = shell.GetPathFromIDList(chosen, path) != 0 && !path.empty();

    platform::ShellAllocator allocator = nullptr;
    if (shell.GetMalloc(allocator)) {
        shell.Free(allocator, chosen);
        shell.Release(allocator);
    }

    if (!isFolder) {
        return kBrowseCancelled;
    }
    if (path.size() < capacity) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
    }
    return kFolderChosen;
}

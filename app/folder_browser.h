// The shell's folder browser, for the user's own destination folder.
#pragma once

#include <cstddef>

#include "platform/platform.h"

constexpr int kFolderChosen = 1;
constexpr int kBrowseCancelled = 2;

extern const char* const kBrowseTitle;

// Opens the browser owned by owner, on initialFolder when it is not null. Returns kFolderChosen
// and copies the folder's path into buffer when it fits within capacity (terminator included;
// otherwise the buffer is left as it was). Returns kBrowseCancelled when the user cancelled, and
// also when the chosen item is not a file-system folder (such as the Control Panel): such an
// item has no path to offer, and the caller keeps what it had.
int BrowseForFolder(platform::WindowHandle owner, const char* initialFolder, char* buffer,
                    std::size_t capacity);

// The browser's callback: on start, moves the selection to the initial folder (data) if any.
int BrowseCallback(platform::WindowHandle browser, unsigned message, intptr_t lParam,
                   intptr_t data);

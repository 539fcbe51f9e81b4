// File-system services: existence tests, the Fonts folder, file sizes, free space and the
// creation of a destination folder with its missing parents. Paths are CP932 byte strings.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// 1 when path names an existing folder (wantFolder non-zero) or file (wantFolder 0), else 0.
// A path that ends in a backslash is never found.
int PathExists(const std::string& path, int wantFolder);

// A shell special folder (CSIDL number). 1 with path set, or 0.
int GetSpecialFolderPath(int csidl, std::string& path);

// The Fonts folder without a trailing backslash; falls back to the Windows folder + "\FONTS".
std::string GetFontsFolder();

// The low 32 bits of a file's size; 0xFFFFFFFF when the file cannot be opened.
uint32_t QueryFileSize(const std::string& path);
constexpr uint32_t kUnknownFileSize = 0xFFFFFFFF;

// Free bytes available to the user in the folder at path (local, or a share "\\server\...").
// Non-zero on success with freeBytes set; 0 with freeBytes untouched.
int GetFreeDiskSpace(const std::string& path, uint64_t& freeBytes);

// Creates every missing folder of path from the top down, each with the Fonts folder's
// protection. Non-zero on success; 0 when the last creation attempted failed.
int CreateFolderTree(const std::string& path);

// What the system gives its Fonts folder, for what the installer creates outside it: a protected
// DACL with full control for SYSTEM and Administrators and read and execute for Users, which a
// folder passes on to what is created inside it. Fonts are loaded into every session, so no other
// user may swap them. Null on the 9x family, which has no ACLs.
const platform::SecurityDescriptor* FontsFolderProtection(bool forFolder);

// Index of the backslash that ends the root of an absolute path: "C:\" or "\\server\share\".
std::size_t RootEnd(const std::string& path);

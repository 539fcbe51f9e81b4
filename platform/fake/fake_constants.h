// Windows constants that only the fake and the tests use (the messages and error codes the
// installer never sends or reads itself), with their Win32 values. The Windows-side tests
// check them against <windows.h> too.
#pragma once

#include <cstdint>

#include "platform/win_constants.h"

namespace win {

constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;
constexpr unsigned kWmKeyDown = 0x0100;
constexpr uintptr_t kVkEscape = 0x1B;
constexpr unsigned kPbmGetPos = 0x0408;
constexpr unsigned kLbGetCount = 0x018B;
constexpr unsigned kLbGetSelCount = 0x0190;
constexpr intptr_t kLbErr = -1;
constexpr unsigned kBffmSelChanged = 2;
// A junction's and a symbolic link's tags; a file or folder the system keeps in the cloud; a file
// it compressed (WOF).
constexpr uint32_t kReparseTagMountPoint = 0xA0000003;
constexpr uint32_t kReparseTagSymlink = 0xA000000C;
constexpr uint32_t kReparseTagCloud = 0x9000001A;
constexpr uint32_t kReparseTagWof = 0x80000017;

}  // namespace win

// The Windows constants the portable logic uses, with their Win32 values, so that the logic can
// be built where <windows.h> is absent. The Windows-side tests check them against <windows.h>.
// Those only the fake and the tests need are in platform/fake/fake_constants.h.
#pragma once

#include <cstdint>

namespace win {

constexpr unsigned kWmInitDialog = 0x0110;
constexpr unsigned kWmCommand = 0x0111;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;

constexpr unsigned kLbAddString = 0x0180;
constexpr unsigned kBmGetCheck = 0x00F0;
constexpr unsigned kBmSetCheck = 0x00F1;
constexpr uintptr_t kBstChecked = 1;

constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr unsigned kDriveNoRootDir = 1;
constexpr int kCsidlFonts = 20;
constexpr uint32_t kMaxPath = 260;

// The DACL of the system Fonts folder.
constexpr uint32_t kFileAllAccess = 0x1F01FF;
constexpr uint32_t kFileGenericReadExecute = 0x1200A9;  // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
constexpr uint8_t kObjectInheritAce = 0x1;
constexpr uint8_t kContainerInheritAce = 0x2;

// What lets someone delete, rename or replace a folder or its files, or change who may.
constexpr uint8_t kInheritOnlyAce = 0x8;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kFileDeleteChild = 0x40;
constexpr uint32_t kWriteDac = 0x40000;
constexpr uint32_t kWriteOwner = 0x80000;
constexpr uint32_t kGenericAll = 0x10000000;
// What lets someone rewrite a file's contents.
constexpr uint32_t kFileWriteData = 0x2;
constexpr uint32_t kFileAppendData = 0x4;
constexpr uint32_t kGenericWrite = 0x40000000;

// Reparse points: a tag whose name-surrogate bit is set stands for another name (a junction, a
// symbolic link, a mount point); the others are files the system keeps another way (compressed,
// deduplicated, in the cloud).
constexpr uint32_t kFileAttributeReparsePoint = 0x400;
constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;

// The entries of a DACL that allow: plain, compound (a server and a client SID), object (a flags
// field and up to two GUIDs before the SID), and their conditional (callback) forms.
constexpr uint8_t kAccessAllowedAceType = 0x0;
constexpr uint8_t kAccessAllowedCompoundAceType = 0x4;
constexpr uint8_t kAccessAllowedObjectAceType = 0x5;
constexpr uint8_t kAccessAllowedCallbackAceType = 0x9;
constexpr uint8_t kAccessAllowedCallbackObjectAceType = 0xB;
constexpr uint32_t kAceObjectTypePresent = 0x1;
constexpr uint32_t kAceInheritedObjectTypePresent = 0x2;

constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kRegSz = 1;
constexpr int32_t kErrorSuccess = 0;

constexpr unsigned kPbmSetPos = 0x0402;

constexpr uintptr_t kHwndBroadcast = 0xFFFF;
constexpr unsigned kWmFontChange = 0x001D;
constexpr unsigned kSmtoAbortIfHung = 0x0002;
constexpr int kSwShowNormal = 1;
constexpr int kIdiQuestion = 32514;
constexpr unsigned kStmSetIcon = 0x0170;

constexpr uint16_t LowWord(uintptr_t value) {
    return static_cast<uint16_t>(value & 0xFFFF);
}

// The font list's selection and the folder browser.
constexpr unsigned kLbSetSel = 0x0185;
constexpr unsigned kLbGetSel = 0x0187;
constexpr unsigned kBifNewDialogStyle = 0x0040;
constexpr unsigned kBffmInitialized = 1;
constexpr unsigned kBffmSetSelectionA = 0x0466;

}  // namespace win

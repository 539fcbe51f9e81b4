// The portable copies of Windows constants must be the platform's own values.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_constants.h"
#include "platform/win_constants.h"

static_assert(win::kWmInitDialog == WM_INITDIALOG);
static_assert(win::kWmCommand == WM_COMMAND);
static_assert(win::kIdOk == IDOK && win::kIdCancel == IDCANCEL);
static_assert(win::kMbOk == MB_OK);
static_assert(win::kMbIconWarning == MB_ICONWARNING);
static_assert(win::kMbIconInformation == MB_ICONINFORMATION);
static_assert(win::kLbAddString == LB_ADDSTRING);
static_assert(win::kBmGetCheck == BM_GETCHECK && win::kBmSetCheck == BM_SETCHECK);
static_assert(win::kBstChecked == BST_CHECKED);
static_assert(win::kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(win::kDriveNoRootDir == DRIVE_NO_ROOT_DIR);
static_assert(win::kCsidlFonts == CSIDL_FONTS);
static_assert(win::kMaxPath == MAX_PATH);
static_assert(win::kFileAllAccess == FILE_ALL_ACCESS);
static_assert(win::kFileGenericReadExecute == (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
static_assert(win::kObjectInheritAce == OBJECT_INHERIT_ACE &&
              win::kContainerInheritAce == CONTAINER_INHERIT_ACE);
static_assert(win::kKeyRead == KEY_READ && win::kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(win::kRegSz == REG_SZ);
static_assert(win::kErrorSuccess == ERROR_SUCCESS &&
              win::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(win::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(win::kErrorMoreData == ERROR_MORE_DATA);
static_assert(win::kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);
static_assert(win::kWmKeyDown == WM_KEYDOWN && win::kVkEscape == VK_ESCAPE);
static_assert(win::kPbmSetPos == PBM_SETPOS && win::kPbmGetPos == PBM_GETPOS);
static_assert(win::kWmFontChange == WM_FONTCHANGE && win::kSmtoAbortIfHung == SMTO_ABORTIFHUNG);
static_assert(win::kSwShowNormal == SW_SHOWNORMAL && win::kStmSetIcon == STM_SETICON);

TEST(ConstantsTest, HandlesAndResourceIdsMatchTheHeaders) {
    EXPECT_EQ(reinterpret_cast<HWND>(win::kHwndBroadcast), HWND_BROADCAST);
    EXPECT_EQ(MAKEINTRESOURCEA(win::kIdiQuestion), IDI_QUESTION);
}
static_assert(win::kLbSetSel == LB_SETSEL);
static_assert(win::kLbGetSel == LB_GETSEL);
static_assert(win::kLbGetCount == LB_GETCOUNT);
static_assert(win::kLbGetSelCount == LB_GETSELCOUNT);
static_assert(win::kLbErr == LB_ERR);
static_assert(win::kBifNewDialogStyle == BIF_NEWDIALOGSTYLE);
static_assert(win::kBffmInitialized == BFFM_INITIALIZED);
static_assert(win::kBffmSelChanged == BFFM_SELCHANGED);
static_assert(win::kBffmSetSelectionA == BFFM_SETSELECTIONA);

TEST(ConstantsTest, LowWordIsTheControlIdOfACommand) {
    EXPECT_EQ(win::LowWord(MAKEWPARAM(1018, BN_CLICKED)), LOWORD(MAKEWPARAM(1018, BN_CLICKED)));
    EXPECT_EQ(win::LowWord(MAKEWPARAM(2, 0xFFFF)), 2);
}
static_assert(win::kFileWriteData == FILE_WRITE_DATA && win::kFileAppendData == FILE_APPEND_DATA);
static_assert(win::kGenericWrite == GENERIC_WRITE);
static_assert(win::kFileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT);
static_assert(IsReparseTagNameSurrogate(win::kReparseTagNameSurrogate) &&
              IsReparseTagNameSurrogate(win::kReparseTagMountPoint) &&
              !IsReparseTagNameSurrogate(win::kReparseTagCloud) &&
              !IsReparseTagNameSurrogate(win::kReparseTagWof));
static_assert(win::kReparseTagMountPoint == IO_REPARSE_TAG_MOUNT_POINT &&
              win::kReparseTagCloud == IO_REPARSE_TAG_CLOUD &&
              win::kReparseTagWof == IO_REPARSE_TAG_WOF);
static_assert(win::kAccessAllowedAceType == ACCESS_ALLOWED_ACE_TYPE &&
              win::kAccessAllowedCompoundAceType == ACCESS_ALLOWED_COMPOUND_ACE_TYPE &&
              win::kAccessAllowedObjectAceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE &&
              win::kAccessAllowedCallbackAceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE &&
              win::kAccessAllowedCallbackObjectAceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE);
static_assert(win::kAceObjectTypePresent == ACE_OBJECT_TYPE_PRESENT &&
              win::kAceInheritedObjectTypePresent == ACE_INHERITED_OBJECT_TYPE_PRESENT);

// <windows.h> for the Win32 side of the seam. The seam's methods bear the names of the calls they
// mirror; the header's A/W macros of those names are taken away so that a method such as
// Files::CreateDirectory keeps its name in every file. Inside, the A calls are named explicitly.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#undef AddFontResource
#undef CreateDialogParam
#undef CreateDirectory
#undef DeleteFile
#undef DialogBoxParam
#undef DispatchMessage
#undef EnumFontFamilies
#undef FindFirstFile
#undef GetDiskFreeSpace
#undef GetDiskFreeSpaceEx
#undef GetDlgItemText
#undef GetDriveType
#undef GetFileSecurity
#undef GetFullPathName
#undef GetModuleFileName
#undef GetVersionEx
#undef GetWindowsDirectory
#undef IsDialogMessage
#undef LoadIcon
#undef MessageBox
#undef PeekMessage
#undef RemoveFontResource
#undef SendDlgItemMessage
#undef SendMessage
#undef SendMessageTimeout
#undef SetCurrentDirectory
#undef SetDlgItemText
#undef ShellExecute

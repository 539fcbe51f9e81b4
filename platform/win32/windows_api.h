// <windows.h> for the Win32 side of the seam. The seam's methods bear the names of the calls they
// mirror; the header's A/W macros of those names are taken away so that a method such as
// Files::CreateDirectory keeps its name in every file. Inside, the A calls are named explicitly.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#undef CreateDirectory
#undef DialogBoxParam
#undef FindFirstFile
#undef GetDiskFreeSpace
#undef GetDiskFreeSpaceEx
#undef GetDriveType
#undef GetModuleFileName
#undef GetVersionEx
#undef GetWindowsDirectory
#undef MessageBox
#undef SendDlgItemMessage
#undef SendMessage
#undef SetDlgItemText

// The Windows entry point: prepares the process and hands over to the portable start-up.
#include "platform/win32/windows_api.h"

#include "app/startup.h"
#include "common/cp932.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    platform::win32::RestrictLibrarySearch();

    // The copy progress dialog holds a progress bar, whose class must exist before it is created.
    platform::win32::InitDialogControls();

    cp932::SetLeadBytes(platform::win32::SystemLeadBytes());

    platform::win32::Win32Platform windows;
    platform::ScopedPlatform scope(windows.Get());
    RunInstaller(instance);
    return 0;
}

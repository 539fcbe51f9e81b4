// Prints the version GetVersionExA reports to a program with the installer's own manifest, and
// the class start-up makes of it: "platform major.minor class".
#include "platform/win32/windows_api.h"

#include <cstdio>

#include "app/os_class.h"
#include "platform/win32/win32_platform.h"

int main() {
    platform::win32::Win32Platform windows;
    platform::ScopedPlatform scope(windows.Get());
    platform::OsVersion version;
    if (!platform::Current().system.GetVersionEx(version)) {
        std::printf("GetVersionExA failed\n");
        return 1;
    }
    std::printf("%lu %lu.%lu %ld\n", static_cast<unsigned long>(version.platformId),
                static_cast<unsigned long>(version.majorVersion),
                static_cast<unsigned long>(version.minorVersion),
                static_cast<long>(
                    ClassifyOs(version.platformId, version.majorVersion, version.minorVersion)));
    return 0;
}

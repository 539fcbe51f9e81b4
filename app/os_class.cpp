#include "app/os_class.h"

#include "process/globals.h"

int32_t ClassifyOs(uint32_t platformId, uint32_t majorVersion, uint32_t minorVersion) {
    if (platformId == 1) {
        if (majorVersion != 4) {
            return OsUnknown;
        }
        switch (minorVersion) {
            case 0:
                return OsWin95;
            case 10:
                return OsWin98;
            case 90:
                return OsWinMe;
            default:
                return OsUnknown;
        }
    }
    if (platformId == 2) {
        if (majorVersion == 4) {
            return OsWinNT4;
        }
        if (majorVersion == 5) {
            return minorVersion == 0 ? OsWin2000 : OsWinXP;
        }
        if (majorVersion >= 6) {
            return OsVistaOrLater;
        }
    }
    return OsUnknown;
}

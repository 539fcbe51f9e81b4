// Process-wide values, set once at start-up and only read afterwards.
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum OsClassValue : int32_t {
    OsUnknown = 0,
    OsWin95 = 1,
    OsWin98 = 2,
    OsWinMe = 3,
    OsWinNT4 = 4,
    OsWin2000 = 5,
    OsWinXP = 6,
    OsVistaOrLater = 7,
};

extern platform::InstanceHandle AppInstance;
// dwPlatformId as the system reports it: 1 for the 9x family, 2 for the NT family.
extern uint32_t PlatformId;
// One of OsClassValue; 0 when the version is not one the installer knows.
extern int32_t OsClass;

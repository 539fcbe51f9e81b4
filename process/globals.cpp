#include "process/globals.h"

platform::InstanceHandle AppInstance = nullptr;
uint32_t PlatformId = 0;
int32_t OsClass = OsUnknown;

// Classification of the running Windows release.
#pragma once

#include <cstdint>

// The OsClass value for a platform id and version; OsUnknown when no known release matches.
int32_t ClassifyOs(uint32_t platformId, uint32_t majorVersion, uint32_t minorVersion);

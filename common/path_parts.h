// Paths taken apart as the C runtime's _splitpath does, respecting double-byte characters: a
// trail byte 0x5C is never a separator. Both "\" and "/" separate folders, as Windows accepts
// either.
#pragma once

#include <string>

struct PathParts {
    std::string drive;      // "C:" or empty
    std::string directory;  // through the last separator, or empty
    std::string baseName;   // the last component up to its last period
    std::string extension;  // from that period on, period included, or empty
};

PathParts SplitPath(const std::string& path);

// The last component of a path: what follows its last separator, or all of it.
std::string LastComponent(const std::string& path);

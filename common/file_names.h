// Font file names as the installer copies them: shared by the installer and the font maker's
// tool, which refuses in advance what the installer would refuse.
#pragma once

#include <string>

// The name a font file gets in the destination folder: the last component of its fileName.
std::string TargetFileName(const std::string& fileName);

// Whether name is one of the devices every folder holds (CON, PRN, AUX, NUL, COM0 to COM9,
// LPT0 to LPT9), with or without an extension: a path with such a name opens the device.
bool IsDeviceName(const std::string& name);

// Whether a target file name can be used as a file name inside the destination folder: not
// empty, not "." or "..", well-formed code page 932, no device's name, and free of the
// characters Windows forbids in names (a colon would name a stream of another file).
bool IsUsableFileName(const std::string& name);

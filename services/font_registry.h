// The registry's font table (the Fonts key): the one place that writes and deletes its values.
#pragma once

#include <string>

#include "platform/platform.h"

// The Fonts key under HKEY_LOCAL_MACHINE for the running platform family.
const char* FontsKeyPath();

// The ending that follows the face name in a value written for this file: " (OpenType)" for
// .otf, " (TrueType)" for .ttf and .ttc, nothing for any other extension.
std::string NameEndingFor(const std::string& installedPath);

// The value's data: the bare file name when the file lies directly in the Fonts folder, else the
// path unchanged.
std::string RegistryDataFor(const std::string& installedPath);

// 1 when the Fonts key opens with full access (the user may change the font table), else 0.
int CanOpenFontsKey();

// Records a font copied to installedPath. 1 on success; 0 after a failure that it has already
// shown in a warning owned by owner.
int WriteFontRegistryEntry(platform::WindowHandle owner, const std::string& fontName,
                           const std::string& installedPath);

// Deletes the first of fontName's possible values that exists. 1 when one was deleted; 0 with
// errorText replaced by the reason otherwise. Shows nothing.
int DeleteFontRegistryEntry(const std::string& fontName, std::string& errorText);

// Deletes the value baseName + ending of an open key: 1 on success, else 0.
int DeleteRegistryValue(platform::KeyHandle key, const std::string& baseName,
                        const std::string& ending);

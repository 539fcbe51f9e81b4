// One install run: the chosen fonts copied into one destination folder, loaded and recorded in
// the font table, after every same-named installed font has been taken away.
#pragma once

#include <string>
#include <vector>

#include "catalogue/font_list.h"
#include "platform/platform.h"

// Runs inside the install button's handler with the copy progress dialog open; that dialog owns
// every message and shows the progress. destination ends in a backslash. 1 when every chosen
// font was installed (also for none), 0 when the run stopped; the stop has been reported.
// Not re-entrant: the caller must not start a second run while one is in progress.
int InstallFonts(platform::WindowHandle progressDialog, const std::vector<FontEntry>& selection,
                 std::string destination);

// The name a font file gets in the destination folder: the last component of its fileName.
std::string TargetFileName(const std::string& fileName);

// Whether a target file name can be used as a file name inside the destination folder: not
// empty, not "." or "..", well-formed code page 932, and free of the characters Windows forbids
// in names (a colon would name a stream of another file).
bool IsUsableFileName(const std::string& name);

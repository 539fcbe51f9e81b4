// One install run: the chosen fonts copied into one destination folder, loaded and recorded in
// the font table, after every same-named installed font has been taken away.
#pragma once

#include <string>
#include <vector>

#include "catalogue/font_list.h"
#include "platform/platform.h"
#include "services/destination.h"

// Runs inside the install button's handler with the copy progress dialog open; that dialog owns
// every message and shows the progress. destination is the folder as the install command checked
// and holds it, for as long as the run lasts: every copy and delete there compares with it.
// 1 when every chosen font was installed (also for none), 0 when the run stopped; the stop has
// been reported. Not re-entrant: the caller must not start a second run while one is in progress.
int InstallFonts(platform::WindowHandle progressDialog, const std::vector<FontEntry>& selection,
                 const Destination& destination);

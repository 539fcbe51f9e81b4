// What `fontlist make` writes: one line per font file, named as the system names it.
#pragma once

#include <string>
#include <vector>

#include "fontlist/font_files.h"

namespace fontlist {

struct MadeNote {
    bool error = false;   // the file is left out for a fault of the font itself
    std::string message;  // CP932
};

struct MadeFontList {
    std::string contents;            // the file: CP932, CRLF
    std::vector<std::string> lines;  // its lines, without line ends
    std::vector<MadeNote> notes;     // font files left out, and why; names the reader changes
    bool HasError() const;
};

// One line per font file that reads as a font, in the order given: the family of its first
// face (the full name for a member of a family), then the file name. A name goes to one file
// only, a family's name to its regular face wherever that comes. A second file of the same font
// (one family and full name, as an .otf and a .ttf of one face) is left out with a note; a second
// regular face of one family, which the system cannot tell from the first, with an error.
MadeFontList MakeFontList(const std::vector<std::string>& fileNames, FontFiles& fonts);

// Whether a file name is one `make` takes: .ttf, .ttc or .otf in any case.
bool IsFontFileName(const std::string& fileName);

}  // namespace fontlist

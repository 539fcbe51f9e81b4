// FontList.txt: the package's catalogue of fonts, one "face name, file name" line per font.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct FontEntry {
    std::string fontName;  // face name, as shown and as compared with installed fonts
    std::string fileName;  // font file, resolved against the program's folder when relative
};

// Filled once at start-up, read-only afterwards.
extern std::vector<FontEntry> FontList;

// Reads every valid line of the file at path and appends it to FontList. Returns 0 (after a
// warning owned by owner) when the file cannot be opened, 1 otherwise.
int LoadFontList(platform::WindowHandle owner, const std::string& path);

// Splits one line (without line end) at commas, with double-quote quoting.
void SplitCsvLine(const std::string& line, std::vector<std::string>& fields);

void StripLineEnd(std::string& text);
void TrimLeadingSpaces(std::string& text);
void TrimTrailingSpaces(std::string& text);

// FontList.txt: the package's catalogue of fonts, one "face name, file name" line per font.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct FontEntry {
    std::string fontName;  // face name, as shown and as compared with installed fonts
    std::string fileName;  // font file, resolved against the program's folder when relative
};

// A line is read at most this many bytes at a time; a longer one is taken as several pieces.
constexpr int kFontListPieceSize = 255;

// Filled once at start-up, read-only afterwards.
extern std::vector<FontEntry> FontList;

// Reads every valid line of the file at path and appends it to FontList. Returns 0 (after a
// warning owned by owner) when the file cannot be opened, 1 otherwise.
int LoadFontList(platform::WindowHandle owner, const std::string& path);

// Turns pieces of the file, as the reader gets them (at most 255 bytes, line end included, up to
// the first NUL), into entries. One parser keeps its buffers from piece to piece.
class FontListLineParser {
  public:
    // False for a piece the reader skips; entry is then left as it was.
    bool Parse(const char* piece, FontEntry& entry);

  private:
    std::string line_;
    std::vector<std::string> fields_;
};

// Splits one line (without line end) at commas, with double-quote quoting.
void SplitCsvLine(const std::string& line, std::vector<std::string>& fields);

void StripLineEnd(std::string& text);
void TrimLeadingSpaces(std::string& text);
void TrimTrailingSpaces(std::string& text);

// FontList.txt as the installer's reader takes it in, piece by piece.
#pragma once

#include <string>
#include <vector>

namespace fontlist {

// One piece as the installer's fgets returns it, and the line it came from.
struct Piece {
    int line = 0;
    std::string text;
    bool first = true;  // the first piece of its line
};

// The file as the C library reads it in text mode: CR LF becomes LF and Ctrl+Z ends the file;
// then fgets takes at most 255 bytes at a time, stopping after a LF.
std::vector<Piece> InstallerPieces(const std::string& contents);

}  // namespace fontlist

#include "fontlist/installer_lines.h"

#include "catalogue/font_list.h"

namespace fontlist {

std::vector<Piece> InstallerPieces(const std::string& contents) {
    std::string text;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (contents[i] == '\x1A') {
            break;
        }
        if (contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') {
            continue;
        }
        text += contents[i];
    }
    std::vector<Piece> pieces;
    int line = 1;
    bool first = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Piece piece;
        piece.line = line;
        piece.first = first;
        while (pos < text.size() &&
               piece.text.size() < static_cast<std::size_t>(kFontListPieceSize)) {
            piece.text += text[pos++];
            if (piece.text.back() == '\n') {
                break;
            }
        }
        first = piece.text.back() == '\n';
        if (first) {
            ++line;
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

}  // namespace fontlist

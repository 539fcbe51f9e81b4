// The few parts of a font file that decide its GDI family: the TTC header, each face's table
// directory, its `name` table, whether its `cmap` has a Windows subtable, and the OS/2 code
// pages. Reads untrusted bytes: every offset and length is checked against the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fontlist {

struct NameRecord {
    std::uint16_t platformId = 0;
    std::uint16_t encodingId = 0;
    std::uint16_t languageId = 0;
    std::uint16_t nameId = 0;
    std::u16string text;  // decoded; empty when the encoding is not one we decode
    bool decoded = false;
};

struct FaceInfo {
    std::vector<NameRecord> names;
    bool windowsCmap = false;      // a cmap subtable for platform 3
    bool cff = false;              // PostScript outlines ('CFF ' or 'CFF2')
    bool hasCodePages = false;     // OS/2 version 1 or later
    std::uint32_t codePages1 = 0;  // OS/2 ulCodePageRange1
};

enum class FontError {
    kNone,
    kTooShort,       // smaller than any header
    kNotFont,        // unknown sfnt version or TTC tag
    kBadCollection,  // TTC face offsets outside the file
    kBadDirectory,   // table records outside the file
    kNoNameTable,
    kBadNameTable,  // name table shorter than its own header says
};

struct FontFile {
    bool collection = false;
    std::vector<FaceInfo> faces;
};

// Reads a .ttf, .otf or .ttc held in memory. On kNone, faces holds at least one face.
FontError ReadFontFile(const std::uint8_t* data, std::size_t size, FontFile& font);

}  // namespace fontlist

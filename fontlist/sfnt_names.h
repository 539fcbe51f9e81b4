// The few parts of a font file that decide its GDI names: the TTC header, each face's table
// directory, its `name` table, whether its `cmap` has a Windows subtable, and the OS/2 code
// pages and style bits. Reads untrusted bytes: every offset and length is checked against the
// file, and only the directories and those tables are read, never the outlines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fontlist {

// A font file read piece by piece at given offsets.
class FontData {
  public:
    virtual ~FontData() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly length bytes at offset into bytes, or false.
    virtual bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) = 0;
};

// A font file held in memory.
class MemoryFontData final : public FontData {
  public:
    MemoryFontData(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) override;

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct NameRecord {
    std::uint16_t platformId = 0;
    std::uint16_t encodingId = 0;
    std::uint16_t languageId = 0;
    std::uint16_t nameId = 0;
    std::u16string text;  // decoded; empty when the encoding is not one we decode
    bool decoded = false;
};

struct FaceInfo {
    std::vector<NameRecord> names;  // only the name IDs the system's names come from
    bool windowsCmap = false;       // a cmap subtable for platform 3
    bool cff = false;               // PostScript outlines ('CFF ' or 'CFF2')
    bool hasOs2 = false;            // an OS/2 table long enough for fsSelection
    std::uint16_t fsSelection = 0;  // OS/2 fsSelection
    bool hasCodePages = false;      // OS/2 version 1 or later
    std::uint32_t codePages1 = 0;   // OS/2 ulCodePageRange1
};

enum class FontError {
    kNone,
    kTooShort,       // smaller than any header
    kNotFont,        // unknown sfnt version or TTC tag
    kBadCollection,  // TTC face offsets outside the file, repeated, or too many faces
    kBadDirectory,   // table records outside the file
    kNoNameTable,
    kBadNameTable,  // name table shorter than its own header says
};

struct FontFile {
    bool collection = false;
    std::vector<FaceInfo> faces;
};

// More faces than any real collection holds; a file claiming more is refused.
constexpr std::size_t kMaxFaces = 256;

// Reads a .ttf, .otf or .ttc. On kNone, faces holds at least one face.
FontError ReadFontFile(FontData& file, FontFile& font);
FontError ReadFontFile(const std::uint8_t* data, std::size_t size, FontFile& font);

}  // namespace fontlist

// The few parts of a font file that decide its GDI names: the TTC header, each face's table
// directory, its `name` table, whether its `cmap` has a Windows subtable, the OS/2 code pages,
// style bits and weight, and the `head` style bits. Reads untrusted bytes: every offset and length
// is checked against the file, and only the directories and those tables are read, never the
// outlines.
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
    std::u16string text;  // decoded, at most kMaxNameUnits; empty when not decoded
    bool decoded = false;
};

// The system decodes a name into a buffer of 512 units: what lies beyond is never seen.
constexpr std::size_t kMaxNameUnits = 511;

struct FaceInfo {
    // Of the name IDs the system's names come from (and the manufacturer's, 8), only the records
    // its choice can take: per name ID the first Japanese (0x0411), other Japanese and English
    // (0x0409) records and the first of all, in the platform the cmap decides. However many
    // records a table holds.
    std::vector<NameRecord> names;
    bool windowsCmap = false;       // a cmap subtable for platform 3
    bool cff = false;               // PostScript outlines ('CFF ' or 'CFF2')
    bool hasOs2 = false;            // an OS/2 table long enough for fsSelection
    std::uint16_t fsSelection = 0;  // OS/2 fsSelection
    std::uint16_t weightClass = 0;  // OS/2 usWeightClass
    bool hasCodePages = false;      // OS/2 version 1 or later
    std::uint32_t codePages1 = 0;   // OS/2 ulCodePageRange1
    bool hasHead = false;           // a head table long enough for macStyle
    std::uint16_t macStyle = 0;     // head macStyle
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

// Whether the system reads a record at all: Windows records (3/0, 3/1, 3/10, no language tag)
// in a face with a Windows cmap, Macintosh Roman (1/0) in one without.
bool SystemReads(const NameRecord& record, bool windowsCmap);

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

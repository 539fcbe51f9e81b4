#include "fontlist/sfnt_names.h"

namespace fontlist {

namespace {

// A bounded view of the file: every read states its offset and says whether it fits.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint16_t U16(std::size_t offset) const {
        return static_cast<std::uint16_t>((data_[offset] << 8) | data_[offset + 1]);
    }
    std::uint32_t U32(std::size_t offset) const {
        return (static_cast<std::uint32_t>(U16(offset)) << 16) | U16(offset + 2);
    }
    const std::uint8_t* At(std::size_t offset) const { return data_ + offset; }
    std::size_t Size() const { return size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr std::uint32_t Tag(const char (&t)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[3]));
}

// Mac Roman 0x80-0xFF, the only Macintosh encoding the system reads family names in.
const char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

void Decode(const Bytes& file, std::size_t offset, std::size_t length, NameRecord& record) {
    if (record.platformId == 3 || record.platformId == 0) {
        // UTF-16 big-endian; an odd last byte is dropped, as the system does.
        for (std::size_t i = 0; i + 1 < length; i += 2) {
            record.text += static_cast<char16_t>(file.U16(offset + i));
        }
        record.decoded = true;
    } else if (record.platformId == 1 && record.encodingId == 0) {
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint8_t b = *file.At(offset + i);
            record.text += b < 0x80 ? static_cast<char16_t>(b) : kMacRoman[b - 0x80];
        }
        record.decoded = true;
    }
}

struct Table {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool present = false;
};

bool ReadNames(const Bytes& file, const Table& table, FaceInfo& face) {
    if (!table.present || table.length < 6) {
        return false;
    }
    const std::size_t base = table.offset;
    const std::size_t count = file.U16(base + 2);
    const std::size_t storage = base + file.U16(base + 4);
    if (6 + count * 12 > table.length) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = base + 6 + i * 12;
        NameRecord record;
        record.platformId = file.U16(at);
        record.encodingId = file.U16(at + 2);
        record.languageId = file.U16(at + 4);
        record.nameId = file.U16(at + 6);
        const std::size_t length = file.U16(at + 8);
        const std::size_t offset = storage + file.U16(at + 10);
        // A string outside the file is skipped on its own; the other records stay usable.
        if (file.Has(offset, length)) {
            Decode(file, offset, length, record);
        }
        face.names.push_back(std::move(record));
    }
    return true;
}

void ReadCmap(const Bytes& file, const Table& table, FaceInfo& face) {
    if (!table.present || table.length < 4) {
        return;
    }
    const std::size_t count = file.U16(table.offset + 2);
    for (std::size_t i = 0; i < count && 4 + i * 8 + 8 <= table.length; ++i) {
        if (file.U16(table.offset + 4 + i * 8) == 3) {
            face.windowsCmap = true;
        }
    }
}

void ReadOs2(const Bytes& file, const Table& table, FaceInfo& face) {
    // ulCodePageRange1 sits at 78 in version 1 and later tables.
    if (table.present && table.length >= 86 && file.U16(table.offset) >= 1) {
        face.hasCodePages = true;
        face.codePages1 = file.U32(table.offset + 78);
    }
}

FontError ReadFace(const Bytes& file, std::size_t start, FaceInfo& face) {
    if (!file.Has(start, 12)) {
        return FontError::kBadDirectory;
    }
    const std::uint32_t version = file.U32(start);
    if (version != 0x00010000 && version != Tag("OTTO") && version != Tag("true")) {
        return FontError::kNotFont;
    }
    const std::size_t count = file.U16(start + 4);
    if (!file.Has(start + 12, count * 16)) {
        return FontError::kBadDirectory;
    }
    Table name, cmap, os2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = start + 12 + i * 16;
        const std::uint32_t tag = file.U32(at);
        Table table;
        table.offset = file.U32(at + 8);
        table.length = file.U32(at + 12);
        // A table that runs past the end is treated as missing.
        table.present = file.Has(table.offset, table.length);
        if (tag == Tag("name")) {
            name = table;
        } else if (tag == Tag("cmap")) {
            cmap = table;
        } else if (tag == Tag("OS/2")) {
            os2 = table;
        } else if (tag == Tag("CFF ") || tag == Tag("CFF2")) {
            face.cff = true;
        }
    }
    if (!name.present) {
        return FontError::kNoNameTable;
    }
    if (!ReadNames(file, name, face)) {
        return FontError::kBadNameTable;
    }
    ReadCmap(file, cmap, face);
    ReadOs2(file, os2, face);
    return FontError::kNone;
}

}  // namespace

FontError ReadFontFile(const std::uint8_t* data, std::size_t size, FontFile& font) {
    font = FontFile{};
    const Bytes file(data, size);
    if (!file.Has(0, 12)) {
        return FontError::kTooShort;
    }
    if (file.U32(0) != Tag("ttcf")) {
        FaceInfo face;
        const FontError error = ReadFace(file, 0, face);
        if (error == FontError::kNone) {
            font.faces.push_back(std::move(face));
        }
        return error;
    }
    font.collection = true;
    const std::size_t count = file.U32(8);
    // Compared by division: count * 4 could wrap where size_t has 32 bits.
    if (count == 0 || count > (file.Size() - 12) / 4) {
        return FontError::kBadCollection;
    }
    for (std::size_t i = 0; i < count; ++i) {
        FaceInfo face;
        const FontError error = ReadFace(file, file.U32(12 + i * 4), face);
        if (error != FontError::kNone) {
            font.faces.clear();
            return error == FontError::kBadDirectory ? FontError::kBadCollection : error;
        }
        font.faces.push_back(std::move(face));
    }
    return FontError::kNone;
}

}  // namespace fontlist

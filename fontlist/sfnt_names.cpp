#include "fontlist/sfnt_names.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

namespace fontlist {

namespace {

std::uint16_t U16(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[offset]) << 8) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]));
}

std::uint32_t U32(const std::string& bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(U16(bytes, offset)) << 16) | U16(bytes, offset + 2);
}

bool Fits(const FontData& file, std::uint64_t offset, std::uint64_t length) {
    return offset <= file.Size() && length <= file.Size() - offset;
}

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

// The names the system's family, subfamily, full, typographic and WWS names come from, and the
// manufacturer a package is named after; the rest of a name table (licences, descriptions) is
// never decoded.
constexpr std::uint16_t kWanted[] = {1, 2, 4, 8, 16, 21};

void Decode(const std::string& bytes, std::size_t offset, std::size_t length, NameRecord& record) {
    if (record.platformId == 3 || record.platformId == 0) {
        // UTF-16 big-endian; an odd last byte is dropped, as the system does.
        for (std::size_t i = 0; i + 1 < length; i += 2) {
            record.text += static_cast<char16_t>(U16(bytes, offset + i));
        }
        record.decoded = true;
    } else if (record.platformId == 1 && record.encodingId == 0) {
        for (std::size_t i = 0; i < length; ++i) {
            const auto b = static_cast<std::uint8_t>(bytes[offset + i]);
            record.text += b < 0x80 ? static_cast<char16_t>(b) : kMacRoman[b - 0x80];
        }
        record.decoded = true;
    }
}

// The bytes of a record's string the system decodes.
std::size_t DecodedLength(const NameRecord& record, std::size_t length) {
    return std::min(length, record.platformId == 1 ? kMaxNameUnits : kMaxNameUnits * 2);
}

// Per wanted name ID, the records the system's choice can take: the first of all, the first
// 0x0411, the first other Japanese and the first 0x0409.
class Candidates {
  public:
    void Offer(std::size_t index, const NameRecord& record) {
        for (std::size_t id = 0; id < std::size(kWanted); ++id) {
            if (kWanted[id] != record.nameId) {
                continue;
            }
            const bool japanese = (record.languageId & 0x3FF) == 0x11;
            Take(slots_[id][0], index, true);
            Take(slots_[id][1], index, record.languageId == 0x0411);
            Take(slots_[id][2], index, japanese && record.languageId != 0x0411);
            Take(slots_[id][3], index, record.languageId == 0x0409);
        }
    }
    // The records taken, in file order.
    std::vector<std::size_t> Taken() const {
        std::vector<std::size_t> taken;
        for (const auto& slots : slots_) {
            for (std::size_t index : slots) {
                if (index != kNone) {
                    taken.push_back(index);
                }
            }
        }
        std::sort(taken.begin(), taken.end());
        taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
        return taken;
    }

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static void Take(std::size_t& slot, std::size_t index, bool matches) {
        if (matches && slot == kNone) {
            slot = index;
        }
    }
    std::size_t slots_[std::size(kWanted)][4] = {
        {kNone, kNone, kNone, kNone}, {kNone, kNone, kNone, kNone}, {kNone, kNone, kNone, kNone},
        {kNone, kNone, kNone, kNone}, {kNone, kNone, kNone, kNone}, {kNone, kNone, kNone, kNone}};
};

struct Table {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    bool present = false;
};

bool ReadNames(FontData& file, const Table& table, FaceInfo& face) {
    std::string header;
    if (!table.present || table.length < 6 || !file.ReadAt(table.offset, 6, header)) {
        return false;
    }
    const std::size_t count = U16(header, 2);
    const std::uint64_t storage = table.offset + U16(header, 4);
    std::string records;
    if (6 + count * 12 > table.length || !file.ReadAt(table.offset + 6, count * 12, records)) {
        return false;
    }
    const auto recordAt = [&records](std::size_t i) {
        NameRecord record;
        record.platformId = U16(records, i * 12);
        record.encodingId = U16(records, i * 12 + 2);
        record.languageId = U16(records, i * 12 + 4);
        record.nameId = U16(records, i * 12 + 6);
        return record;
    };
    // A table may hold 65,535 records of 65,535 bytes, all pointing at the same string: only
    // the few the choice can take are kept, so a face costs a bounded amount of memory.
    Candidates candidates;
    for (std::size_t i = 0; i < count; ++i) {
        const NameRecord record = recordAt(i);
        if (SystemReads(record, face.windowsCmap)) {
            candidates.Offer(i, record);
        }
    }
    struct Pending {
        NameRecord record;
        std::uint64_t offset;
        std::size_t length;
    };
    std::vector<Pending> pending;
    std::uint64_t first = file.Size();
    std::uint64_t end = 0;
    for (const std::size_t i : candidates.Taken()) {
        NameRecord record = recordAt(i);
        const std::size_t length = DecodedLength(record, U16(records, i * 12 + 8));
        const std::uint64_t offset = storage + U16(records, i * 12 + 10);
        // A string outside the file is skipped on its own; the other records stay usable.
        if (Fits(file, offset, length)) {
            first = std::min(first, offset);
            end = std::max(end, offset + length);
        }
        pending.push_back(Pending{std::move(record), offset, length});
    }
    // One read for every string used: they lie together in the storage area.
    std::string strings;
    if (end > first && !file.ReadAt(first, static_cast<std::size_t>(end - first), strings)) {
        return false;
    }
    for (Pending& name : pending) {
        if (Fits(file, name.offset, name.length)) {
            Decode(strings, static_cast<std::size_t>(name.offset - first), name.length,
                   name.record);
        }
        face.names.push_back(std::move(name.record));
    }
    return true;
}

void ReadCmap(FontData& file, const Table& table, FaceInfo& face) {
    std::string header;
    if (!table.present || table.length < 4 || !file.ReadAt(table.offset, 4, header)) {
        return;
    }
    const std::size_t count = std::min<std::uint64_t>(U16(header, 2), (table.length - 4) / 8);
    std::string encodings;
    if (!file.ReadAt(table.offset + 4, count * 8, encodings)) {
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (U16(encodings, i * 8) == 3) {
            face.windowsCmap = true;
        }
    }
}

void ReadOs2(FontData& file, const Table& table, FaceInfo& face) {
    // fsSelection sits at 62; ulCodePageRange1 at 78 in version 1 and later tables.
    std::string os2;
    if (!table.present || table.length < 64 ||
        !file.ReadAt(table.offset,
                     static_cast<std::size_t>(std::min<std::uint64_t>(table.length, 86)), os2)) {
        return;
    }
    face.hasOs2 = true;
    face.weightClass = U16(os2, 4);
    face.fsSelection = U16(os2, 62);
    if (os2.size() >= 86 && U16(os2, 0) >= 1) {
        face.hasCodePages = true;
        face.codePages1 = U32(os2, 78);
    }
}

void ReadHead(FontData& file, const Table& table, FaceInfo& face) {
    std::string head;
    if (!table.present || table.length < 46 || !file.ReadAt(table.offset, 46, head)) {
        return;
    }
    face.hasHead = true;
    face.macStyle = U16(head, 44);
}

// One face from its 12-byte offset table, already read.
// The faces of a collection may share one name table; each distinct one is read once a file.
using NameTables =
    std::map<std::tuple<std::uint64_t, std::uint64_t, bool>, std::vector<NameRecord>>;

FontError ReadFace(FontData& file, std::uint64_t start, const std::string& header,
                   NameTables& tables, FaceInfo& face) {
    const std::uint32_t version = U32(header, 0);
    if (version != 0x00010000 && version != Tag("OTTO") && version != Tag("true")) {
        return FontError::kNotFont;
    }
    const std::size_t count = U16(header, 4);
    std::string directory;
    if (!Fits(file, start + 12, count * 16) || !file.ReadAt(start + 12, count * 16, directory)) {
        return FontError::kBadDirectory;
    }
    Table name, cmap, os2, head;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * 16;
        const std::uint32_t tag = U32(directory, at);
        Table table;
        table.offset = U32(directory, at + 8);
        table.length = U32(directory, at + 12);
        // A table that runs past the end is treated as missing.
        table.present = Fits(file, table.offset, table.length);
        if (tag == Tag("name")) {
            name = table;
        } else if (tag == Tag("cmap")) {
            cmap = table;
        } else if (tag == Tag("OS/2")) {
            os2 = table;
        } else if (tag == Tag("head")) {
            head = table;
        } else if (tag == Tag("CFF ") || tag == Tag("CFF2")) {
            face.cff = true;
        }
    }
    if (!name.present) {
        return FontError::kNoNameTable;
    }
    // The cmap decides which platform's names the system reads.
    ReadCmap(file, cmap, face);
    const auto key = std::make_tuple(name.offset, name.length, face.windowsCmap);
    const auto known = tables.find(key);
    if (known != tables.end()) {
        face.names = known->second;
    } else if (ReadNames(file, name, face)) {
        tables[key] = face.names;
    } else {
        return FontError::kBadNameTable;
    }
    ReadOs2(file, os2, face);
    ReadHead(file, head, face);
    return FontError::kNone;
}

FontError ReadFace(FontData& file, std::uint64_t start, NameTables& tables, FaceInfo& face) {
    std::string header;
    if (!Fits(file, start, 12) || !file.ReadAt(start, 12, header)) {
        return FontError::kBadDirectory;
    }
    return ReadFace(file, start, header, tables, face);
}

}  // namespace

bool SystemReads(const NameRecord& record, bool windowsCmap) {
    if (windowsCmap) {
        return record.platformId == 3 &&
               (record.encodingId == 0 || record.encodingId == 1 || record.encodingId == 10) &&
               record.languageId < 0x8000;
    }
    return record.platformId == 1 && record.encodingId == 0;
}

bool MemoryFontData::ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) {
    if (offset > size_ || length > size_ - offset) {
        return false;
    }
    bytes.assign(reinterpret_cast<const char*>(data_) + offset, length);
    return true;
}

FontError ReadFontFile(FontData& file, FontFile& font) {
    font = FontFile{};
    std::string header;
    if (!Fits(file, 0, 12) || !file.ReadAt(0, 12, header)) {
        return FontError::kTooShort;
    }
    if (U32(header, 0) != Tag("ttcf")) {
        // A single face: the file's header is its offset table.
        FaceInfo face;
        NameTables tables;
        const FontError error = ReadFace(file, 0, header, tables, face);
        if (error == FontError::kNone) {
            font.faces.push_back(std::move(face));
        }
        return error;
    }
    font.collection = true;
    const std::size_t count = U32(header, 8);
    std::string offsets;
    if (count == 0 || count > kMaxFaces || !Fits(file, 12, count * 4) ||
        !file.ReadAt(12, count * 4, offsets)) {
        return FontError::kBadCollection;
    }
    // Two faces at one offset are no collection the system builds; each would be read again.
    std::set<std::uint32_t> starts;
    for (std::size_t i = 0; i < count; ++i) {
        if (!starts.insert(U32(offsets, i * 4)).second) {
            return FontError::kBadCollection;
        }
    }
    NameTables tables;
    for (std::size_t i = 0; i < count; ++i) {
        FaceInfo face;
        const FontError error = ReadFace(file, U32(offsets, i * 4), tables, face);
        if (error != FontError::kNone) {
            font.faces.clear();
            return error == FontError::kBadDirectory ? FontError::kBadCollection : error;
        }
        font.faces.push_back(std::move(face));
    }
    return FontError::kNone;
}

FontError ReadFontFile(const std::uint8_t* data, std::size_t size, FontFile& font) {
    MemoryFontData file(data, size);
    return ReadFontFile(file, font);
}

}  // namespace fontlist

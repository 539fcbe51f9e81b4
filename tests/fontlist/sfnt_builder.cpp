#include "sfnt_builder.h"

namespace fontlist_test {

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

std::string NameTable(const Face& face) {
    std::string records;
    std::string storage;
    for (const Record& record : face.names) {
        std::string text;
        if (record.platform == 1) {
            for (char16_t c : record.text) {
                text += static_cast<char>(c);
            }
        } else {
            for (char16_t c : record.text) {
                Put16(text, c);
            }
        }
        Put16(records, record.platform);
        Put16(records, record.encoding);
        Put16(records, record.language);
        Put16(records, record.nameId);
        Put16(records, static_cast<unsigned>(text.size()));
        Put16(records, static_cast<unsigned>(storage.size()));
        storage += text;
    }
    std::string table;
    Put16(table, 0);
    Put16(table, static_cast<unsigned>(face.names.size()));
    Put16(table, static_cast<unsigned>(6 + records.size()));
    return table + records + storage;
}

std::string CmapTable(const Face& face) {
    std::string table;
    Put16(table, 0);
    Put16(table, static_cast<unsigned>(face.cmapPlatforms.size()));
    for (std::uint16_t platform : face.cmapPlatforms) {
        Put16(table, platform);
        Put16(table, platform == 3 ? 1 : 0);
        Put32(table, 0);  // the subtables themselves are never read
    }
    return table;
}

std::string Os2Table(const Face& face) {
    std::string table;
    Put16(table, 1);
    table.append(2, '\0');
    Put16(table, face.weightClass);
    table.append(56, '\0');
    Put16(table, face.fsSelection);
    table.append(14, '\0');
    Put32(table, face.codePages1);
    Put32(table, 0);
    return table;
}

std::string HeadTable(const Face& face) {
    std::string table(44, '\0');
    Put16(table, face.macStyle);
    table.append(8, '\0');
    return table;
}

// The directory and tables of one face, with table offsets counted from base.
std::string FaceBytes(const Face& face, std::size_t base) {
    std::vector<std::pair<std::string, std::string>> tables = {
        {face.cff ? "CFF " : "glyf", std::string(4, '\0')},
        {"OS/2", Os2Table(face)},
        {"cmap", CmapTable(face)},
        {"head", HeadTable(face)},
        {"name", NameTable(face)},
    };
    if (!face.os2) {
        tables.erase(tables.begin() + 1);
    }
    std::string out;
    Put32(out, face.cff ? 0x4F54544F : 0x00010000);
    Put16(out, static_cast<unsigned>(tables.size()));
    out.append(6, '\0');
    std::size_t offset = base + 12 + tables.size() * 16;
    std::string data;
    for (const auto& [tag, bytes] : tables) {
        out += tag;
        Put32(out, 0);
        Put32(out, static_cast<std::uint32_t>(offset + data.size()));
        Put32(out, static_cast<std::uint32_t>(bytes.size()));
        data += bytes;
    }
    return out + data;
}

}  // namespace

Face WindowsFace(std::vector<std::pair<std::uint16_t, std::u16string>> families) {
    Face face;
    for (auto& [language, name] : families) {
        face.names.push_back(Record{3, 1, language, 1, name});
    }
    return face;
}

std::string BuildFont(const Face& face) {
    return FaceBytes(face, 0);
}

std::string BuildCollection(const std::vector<Face>& faces) {
    std::string header = "ttcf";
    Put32(header, 0x00010000);
    Put32(header, static_cast<std::uint32_t>(faces.size()));
    std::size_t offset = 12 + faces.size() * 4;
    std::string body;
    for (const Face& face : faces) {
        Put32(header, static_cast<std::uint32_t>(offset + body.size()));
        body += FaceBytes(face, offset + body.size());
    }
    return header + body;
}

}  // namespace fontlist_test

// Small sfnt files built byte by byte, so the reader's tests can state exactly what a font holds
// and break it in exactly one place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fontlist_test {

struct Record {
    std::uint16_t platform = 3;
    std::uint16_t encoding = 1;
    std::uint16_t language = 0x0409;
    std::uint16_t nameId = 1;
    std::u16string text;
};

struct Face {
    std::vector<Record> names;
    std::vector<std::uint16_t> cmapPlatforms{3};  // one subtable per platform listed
    std::uint32_t codePages1 = 1;                 // OS/2 ulCodePageRange1; Latin 1
    std::uint16_t fsSelection = 0x40;             // OS/2 style bits; REGULAR
    std::uint16_t weightClass = 400;              // OS/2 usWeightClass
    bool os2 = true;                              // an OS/2 table at all
    std::uint16_t macStyle = 0;                   // head style bits
    bool cff = false;
};

// A face with a Windows cmap and the ID 1 records given as (language, name).
Face WindowsFace(std::vector<std::pair<std::uint16_t, std::u16string>> families);

std::string BuildFont(const Face& face);
std::string BuildCollection(const std::vector<Face>& faces);

}  // namespace fontlist_test

// The names Windows gives one face of a font, from its name records, as GDI enumerates them on
// a Japanese system, and the names a font maker is likely to write instead.
#pragma once

#include <cstddef>
#include <string>

#include "fontlist/sfnt_names.h"

namespace fontlist {

// LF_FACESIZE less the terminator: the longest family name GDI keeps, in UTF-16 units.
constexpr std::size_t kMaxFaceUnits = 31;
// The ANSI face name buffer, terminator included.
constexpr std::size_t kFaceBytes = 32;
// LF_FULLFACESIZE: elfFullName, in units or in ANSI bytes, terminator included.
constexpr std::size_t kFullNameSize = 64;

// One name record as the "A" calls hand it back: a family in lfFaceName (LF_FACESIZE), a full
// name in elfFullName (LF_FULLFACESIZE).
struct GdiName {
    bool found = false;
    std::u16string full;      // the chosen record, uncut
    std::u16string family;    // full cut to the buffer's units (31, or 63 for a full name)
    std::string ansi;         // family in CP932 as the "A" calls give it
    bool cut = false;         // full was longer than the buffer's units
    bool bytesCut = false;    // family needs more CP932 bytes than the buffer: ansi is shorter
    bool lossy = false;       // some character became '?' or a look-alike
    char32_t firstLossy = 0;  // the first such character, a whole code point
};

struct FamilyName : GdiName {
    std::u16string english;      // the 0x0409 record when it differs from full (an alias)
    std::u16string typographic;  // name ID 16 by the same choice, when it differs from full
    std::u16string wws;          // name ID 21 likewise
    bool vertical = false;       // a CJK code page: the system also lists "@" + family
    // Any face but the one the system gives for its family at normal weight, upright: bold,
    // italic or oblique (fsSelection, or macStyle without an OS/2 table), or any weight but
    // FW_NORMAL (usWeightClass other than 400: Thin to Black, Book, Medium, SemiBold alike). The
    // system lists it under the family; its own name is the full name, as in "DejaVu Sans Bold
    // Oblique" or "Cabin Medium".
    bool member = false;
    GdiName fullName;  // name ID 4, or family and subfamily where there is none
};

// Applies the system's choice: name ID 1 only; Windows records (3/0, 3/1, 3/10) when the face
// has a Windows cmap, Macintosh Roman (1/0) otherwise; 0x0411, then another Japanese language,
// then 0x0409, then the first record. The full name is chosen the same way.
FamilyName ChooseFamilyName(const FaceInfo& face);

// The CP932 form of a UTF-16 name as the "A" calls return it: whole characters that fit in a
// buffer of size bytes beside its terminator (lfFaceName by default).
std::string AnsiFaceName(const std::u16string& name, std::size_t size = kFaceBytes);

}  // namespace fontlist

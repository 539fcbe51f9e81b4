#include "fontlist/gdi_name.h"

#include <vector>

#include "fontlist/cp932_convert.h"

namespace fontlist {

namespace {

constexpr std::uint16_t kJapanese = 0x0411;
constexpr std::uint16_t kEnglish = 0x0409;
// ulCodePageRange1 bits of JIS, PRC, Big5, Wansung and Johab.
constexpr std::uint32_t kCjkCodePages = 0x3E0000;
constexpr std::uint16_t kItalicBit = 0x0001;  // OS/2 fsSelection
constexpr std::uint16_t kBoldBit = 0x0020;

bool Usable(const NameRecord& record, bool windows) {
    if (!record.decoded) {
        return false;
    }
    if (windows) {
        return record.platformId == 3 &&
               (record.encodingId == 0 || record.encodingId == 1 || record.encodingId == 10) &&
               record.languageId < 0x8000;
    }
    return record.platformId == 1 && record.encodingId == 0;
}

// The record of nameId the system takes, or null.
const NameRecord* Choose(const FaceInfo& face, std::uint16_t nameId, bool windows) {
    std::vector<const NameRecord*> candidates;
    for (const NameRecord& record : face.names) {
        if (record.nameId == nameId && Usable(record, windows)) {
            candidates.push_back(&record);
        }
    }
    if (candidates.empty()) {
        return nullptr;
    }
    if (!windows) {
        return candidates.front();
    }
    for (const NameRecord* record : candidates) {
        if (record->languageId == kJapanese) {
            return record;
        }
    }
    for (const NameRecord* record : candidates) {
        if ((record->languageId & 0x3FF) == (kJapanese & 0x3FF)) {
            return record;
        }
    }
    for (const NameRecord* record : candidates) {
        if (record->languageId == kEnglish) {
            return record;
        }
    }
    return candidates.front();
}

GdiName AsGdiName(const NameRecord& record) {
    GdiName name;
    name.found = true;
    name.full = record.text;
    name.cut = name.full.size() > kMaxFaceUnits;
    name.family = name.full.substr(0, kMaxFaceUnits);
    name.ansi = AnsiFaceName(name.family);
    name.bytesCut = name.ansi.size() < ToCp932(name.family).size();
    for (std::size_t i = 0; i < name.family.size(); ++i) {
        const char16_t unit = name.family[i];
        if (!ConvertUnit(unit).exact) {
            name.lossy = true;
            name.firstLossy = unit;
            // A pair of surrogates is one character; name it by its code point.
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < name.full.size() &&
                name.full[i + 1] >= 0xDC00 && name.full[i + 1] < 0xE000) {
                name.firstLossy = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                  (name.full[i + 1] - 0xDC00);
            }
            break;
        }
    }
    return name;
}

const NameRecord* English(const FaceInfo& face, std::uint16_t nameId) {
    for (const NameRecord& record : face.names) {
        if (record.nameId == nameId && Usable(record, true) && record.languageId == kEnglish) {
            return &record;
        }
    }
    return nullptr;
}

// The subfamily in the English record says Bold, Italic or Bold Italic, and the OS/2 style bits
// do not say otherwise. NanumMyeongjoBold marks itself Regular in fsSelection alone: the system
// still lists it under NanumMyeongjo with the full name NanumMyeongjoBold.
bool IsStyleLinked(const FaceInfo& face, bool windows) {
    const NameRecord* subfamily = windows ? English(face, 2) : Choose(face, 2, false);
    if (subfamily == nullptr) {
        return false;
    }
    const bool bold = subfamily->text == u"Bold" || subfamily->text == u"Bold Italic";
    const bool italic = subfamily->text == u"Italic" || subfamily->text == u"Bold Italic";
    const std::uint16_t bits = face.fsSelection & (kItalicBit | kBoldBit);
    return (bold || italic) && (!face.hasOs2 || bits == 0 ||
                                bits == ((bold ? kBoldBit : 0) | (italic ? kItalicBit : 0)));
}

}  // namespace

std::string AnsiFaceName(const std::u16string& name) {
    std::string out;
    for (char16_t unit : name) {
        const UnitConversion c = ConvertUnit(unit);
        if (out.size() + c.bytes.size() > kFaceBytes - 1) {
            break;
        }
        out += c.bytes;
    }
    return out;
}

FamilyName ChooseFamilyName(const FaceInfo& face) {
    FamilyName result;
    const bool windows = face.windowsCmap;
    const NameRecord* chosen = Choose(face, 1, windows);
    if (chosen == nullptr) {
        return result;
    }
    static_cast<GdiName&>(result) = AsGdiName(*chosen);
    if (windows) {
        const NameRecord* english = English(face, 1);
        if (english != nullptr && english->text != result.full) {
            result.english = english->text;
        }
    }
    const NameRecord* typographic = Choose(face, 16, windows);
    if (typographic != nullptr && typographic->text != result.full) {
        result.typographic = typographic->text;
    }
    const NameRecord* wws = Choose(face, 21, windows);
    if (wws != nullptr && wws->text != result.full) {
        result.wws = wws->text;
    }
    result.vertical = face.hasCodePages && (face.codePages1 & kCjkCodePages) != 0;
    const NameRecord* full = Choose(face, 4, windows);
    result.styleLinked = full != nullptr && IsStyleLinked(face, windows);
    if (result.styleLinked) {
        result.fullName = AsGdiName(*full);
    }
    return result;
}

}  // namespace fontlist

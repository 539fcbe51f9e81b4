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
constexpr std::uint16_t kObliqueBit = 0x0200;
constexpr std::uint16_t kMacBold = 0x0001;  // head macStyle
constexpr std::uint16_t kMacItalic = 0x0002;
constexpr std::uint16_t kNormalWeight = 400;  // FW_NORMAL

bool Usable(const NameRecord& record, bool windows) {
    return record.decoded && SystemReads(record, windows);
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

// A name in a buffer of size units, or as many bytes in the "A" calls.
GdiName AsGdiName(const std::u16string& text, std::size_t size) {
    GdiName name;
    name.found = true;
    name.full = text;
    name.cut = name.full.size() > size - 1;
    name.family = name.full.substr(0, size - 1);
    name.ansi = AnsiFaceName(name.family, size);
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

// What GDI sees of a face's style, whatever its subfamily says in whichever language. FreeType,
// which Wine's GDI reads, takes italic from fsSelection's ITALIC or OBLIQUE bit and bold from its
// BOLD bit, or from head.macStyle where there is no OS/2 table; Windows selects a family's face
// for a request at FW_NORMAL, upright, by those bits and by usWeightClass, so only a face at
// weight 400 exactly, neither bold nor italic, is the face the family's name stands for. A
// Medium (500) beside its Regular is another face of the family, and so is a face of weight 0,
// which the system reports as weight 0. A face without OS/2 has no weight but its bold bit.
// NanumMyeongjoBold says Regular in fsSelection but weighs 600: the system lists it under
// NanumMyeongjo as NanumMyeongjoBold.
bool IsMember(const FaceInfo& face) {
    if (!face.hasOs2) {
        return face.hasHead && (face.macStyle & (kMacBold | kMacItalic)) != 0;
    }
    return (face.fsSelection & (kItalicBit | kObliqueBit | kBoldBit)) != 0 ||
           face.weightClass != kNormalWeight;
}

}  // namespace

std::string AnsiFaceName(const std::u16string& name, std::size_t size) {
    std::string out;
    for (char16_t unit : name) {
        const UnitConversion c = ConvertUnit(unit);
        if (out.size() + c.bytes.size() > size - 1) {
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
    static_cast<GdiName&>(result) = AsGdiName(chosen->text, kMaxFaceUnits + 1);
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
    // Without a full name the system joins family and subfamily, as in "Sample Bold".
    const NameRecord* full = Choose(face, 4, windows);
    const NameRecord* subfamily = Choose(face, 2, windows);
    if (full != nullptr) {
        result.fullName = AsGdiName(full->text, kFullNameSize);
    } else if (subfamily != nullptr) {
        result.fullName = AsGdiName(chosen->text + u" " + subfamily->text, kFullNameSize);
    }
    result.member = result.fullName.found && IsMember(face);
    return result;
}

}  // namespace fontlist

#include "fontlist/gdi_name.h"

#include <vector>

#include "fontlist/cp932_convert.h"

namespace fontlist {

namespace {

constexpr std::uint16_t kJapanese = 0x0411;
constexpr std::uint16_t kEnglish = 0x0409;
// ulCodePageRange1 bits of JIS, PRC, Big5, Wansung and Johab.
constexpr std::uint32_t kCjkCodePages = 0x3E0000;

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

const NameRecord* English(const FaceInfo& face, std::uint16_t nameId) {
    for (const NameRecord& record : face.names) {
        if (record.nameId == nameId && Usable(record, true) && record.languageId == kEnglish) {
            return &record;
        }
    }
    return nullptr;
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
    result.found = true;
    result.full = chosen->text;
    result.cut = result.full.size() > kMaxFaceUnits;
    result.family = result.full.substr(0, kMaxFaceUnits);
    result.ansi = AnsiFaceName(result.family);
    result.bytesCut = result.ansi.size() < ToCp932(result.family).size();
    for (char16_t unit : result.family) {
        if (!ConvertUnit(unit).exact) {
            result.lossy = true;
            result.firstLossy = unit;
            break;
        }
    }
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
    return result;
}

}  // namespace fontlist

#include "fontlist/make.h"

#include <algorithm>
#include <map>
#include <utility>

#include "common/cp932.h"

namespace fontlist {

namespace {

// A field as the reader takes it back: quoted when it holds a comma or a double quote.
std::string Field(const std::string& text) {
    if (cp932::FindChar(text, ',') == std::string::npos &&
        cp932::FindChar(text, '"') == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size(); i = cp932::NextCharIndex(text, i)) {
        const std::size_t next = cp932::NextCharIndex(text, i);
        if (next == i + 1 && text[i] == '"') {
            quoted += "\"\"";
        } else {
            quoted.append(text, i, next - i);
        }
    }
    return quoted + "\"";
}

// GDI takes two faces of one family and one full name for the same font, ASCII case aside.
bool SameFace(const FamilyName& a, const FamilyName& b) {
    const auto folded = [](std::u16string text) {
        for (char16_t& unit : text) {
            unit = (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 0x20) : unit;
        }
        return text;
    };
    return a.full == b.full && folded(a.fullName.full) == folded(b.fullName.full);
}

}  // namespace

bool MadeFontList::HasError() const {
    return std::any_of(notes.begin(), notes.end(), [](const MadeNote& note) { return note.error; });
}

bool IsFontFileName(const std::string& fileName) {
    return EndsWithIgnoreCase(fileName, ".ttf") || EndsWithIgnoreCase(fileName, ".ttc") ||
           EndsWithIgnoreCase(fileName, ".otf");
}

MadeFontList MakeFontList(const std::vector<std::string>& fileNames, FontFiles& fonts) {
    // A file that can stand on a line, before names are shared out.
    struct Candidate {
        std::size_t index;  // in fileNames, which the lines and notes keep
        const FamilyName* family;
        std::string name;
        bool line = false;
    };
    std::vector<std::pair<std::size_t, MadeNote>> notes;
    const auto note = [&notes](std::size_t index, bool error, const std::string& message) {
        notes.push_back({index, MadeNote{error, message}});
    };
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        const std::string& fileName = fileNames[i];
        const ReadFont& font = fonts.Get(fileName);
        if (!font.isFont) {
            note(i, false, Quote(fileName) + "はフォントとして読めないため書きません。");
            continue;
        }
        const FamilyName& family = font.families.front();
        if (!family.found) {
            note(i, false,
                 Quote(fileName) + "にはWindowsが使うファミリ名（名前ID 1）がないため書きません。");
            continue;
        }
        const GdiName& own = family.member ? family.fullName : family;
        const std::string name = FaceNameToWrite(family);
        // A control character (a line end, a NUL, DEL) would break the line it stands on; no
        // CP932 trail byte is below 0x40, and none is 0x7F.
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
            note(i, false,
                 Quote(fileName) + "の名前には制御文字があり、FontList.txtに書けません。");
            continue;
        }
        if (name.empty()) {
            note(i, true,
                 Quote(fileName) +
                     "の名前が空か空白だけのため、インストーラーが読めず、書きません。"
                     "フォントの名前を直してください。");
            continue;
        }
        if (name != own.ansi) {
            note(i, false,
                 Quote(fileName) + "の名前" + Quote(own.ansi) +
                     "は前後に空白があり、インストーラーは空白を除いた" + Quote(name) +
                     "として読みます。");
        }
        if (family.member && name == TrimmedName(family)) {
            note(i, false, Quote(fileName) + "は" + MistakenForRegular(name));
        }
        candidates.push_back(Candidate{i, &family, name});
    }

    // A family's name belongs to its regular face wherever that comes in the folder: regular
    // faces take their names first, then every other face its full name.
    std::vector<Candidate*> order;
    for (Candidate& c : candidates) {
        order.push_back(&c);
    }
    std::stable_partition(order.begin(), order.end(),
                          [](const Candidate* c) { return !c->family->member; });
    std::map<std::string, const Candidate*> written;  // face name, and the file it went to
    for (Candidate* c : order) {
        const std::string& fileName = fileNames[c->index];
        const auto earlier = written.find(c->name);
        if (earlier == written.end()) {
            written[c->name] = c;
            c->line = true;
            continue;
        }
        const std::string& otherName = fileNames[earlier->second->index];
        const FamilyName& other = *earlier->second->family;
        if (SameFace(*c->family, other)) {
            note(c->index, false,
                 Quote(fileName) + "は" + Quote(otherName) + "と同じフォント（フル ネーム" +
                     Quote(c->family->fullName.found ? TrimmedName(c->family->fullName) : c->name) +
                     "）で、Windowsは片方しか読み込まないため書きません。");
        } else if (!c->family->member && !other.member) {
            // Both are the face the system gives for the family at normal weight, upright.
            note(c->index, true,
                 Quote(fileName) + "と" + Quote(otherName) + "はどちらもファミリ" + Quote(c->name) +
                     "の太さ400（標準）で太字・斜体でもないフェイスのため、Windowsは区別"
                     "できず、インストーラーも同じフォントとして扱います。書きません。"
                     "フォントの太さ（OS/2のusWeightClass）かファミリ名を直してください。");
        } else {
            note(c->index, true,
                 Quote(fileName) + "の名前" + Quote(c->name) + "は" + Quote(otherName) +
                     "と同じで、インストーラーが区別できないため書きません。"
                     "フォントの名前を直してください。");
        }
    }

    MadeFontList made;
    for (const Candidate& c : candidates) {
        if (c.line) {
            const std::string line = Field(c.name) + "," + Field(fileNames[c.index]);
            made.lines.push_back(line);
            made.contents += line + "\r\n";
        }
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& indexed : notes) {
        made.notes.push_back(std::move(indexed.second));
    }
    return made;
}

}  // namespace fontlist

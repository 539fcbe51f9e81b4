#include "fontlist/make.h"

#include <algorithm>
#include <map>

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
    MadeFontList made;
    const auto note = [&made](bool error, const std::string& message) {
        made.notes.push_back(MadeNote{error, message});
    };
    std::map<std::string, std::string> written;  // face name, and the file it was written for
    for (const std::string& fileName : fileNames) {
        const ReadFont& font = fonts.Get(fileName);
        if (!font.isFont) {
            note(false, Quote(fileName) + "はフォントとして読めないため書きません。");
            continue;
        }
        const FamilyName& family = font.families.front();
        if (!family.found) {
            note(false,
                 Quote(fileName) + "にはWindowsが使うファミリ名（名前ID 1）がないため書きません。");
            continue;
        }
        const GdiName& own = family.member ? family.fullName : family;
        const std::string name = FaceNameToWrite(family);
        // A control character (a line end, a NUL) would break the line it stands on.
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            note(false, Quote(fileName) + "の名前には制御文字があり、FontList.txtに書けません。");
            continue;
        }
        if (name.empty()) {
            note(true, Quote(fileName) +
                           "の名前が空か空白だけのため、インストーラーが読めず、書きません。"
                           "フォントの名前を直してください。");
            continue;
        }
        if (name != own.ansi) {
            note(false, Quote(fileName) + "の名前" + Quote(own.ansi) +
                            "は前後に空白があり、インストーラーは空白を除いた" + Quote(name) +
                            "として読みます。");
        }
        const auto earlier = written.find(name);
        if (earlier != written.end()) {
            const FamilyName& other = fonts.Get(earlier->second).families.front();
            if (SameFace(family, other)) {
                note(false, Quote(fileName) + "は" + Quote(earlier->second) +
                                "と同じフォント（フル ネーム" +
                                Quote(family.fullName.found ? TrimmedName(family.fullName) : name) +
                                "）で、Windowsは片方しか読み込まないため書きません。");
            } else {
                note(true, Quote(fileName) + "の名前" + Quote(name) + "は" +
                               Quote(earlier->second) +
                               "と同じで、インストーラーが区別できないため書きません。"
                               "フォントの名前を直してください。");
            }
            continue;
        }
        written[name] = fileName;
        const std::string line = Field(name) + "," + Field(fileName);
        made.lines.push_back(line);
        made.contents += line + "\r\n";
    }
    return made;
}

}  // namespace fontlist

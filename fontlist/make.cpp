#include "fontlist/make.h"

#include <algorithm>

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
        const GdiName& own = family.styleLinked ? family.fullName : family;
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
        const std::string line = Field(name) + "," + Field(fileName);
        made.lines.push_back(line);
        made.contents += line + "\r\n";
    }
    return made;
}

}  // namespace fontlist

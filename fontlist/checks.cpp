#include "fontlist/checks.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "engine/install_fonts.h"
#include "fontlist/cp932_convert.h"
#include "fontlist/gdi_name.h"
#include "fontlist/sfnt_names.h"
#include "platform/win_constants.h"

namespace fontlist {

namespace {

// The standard Fonts folder of a Japanese Windows, the shortest destination a copy goes to.
const std::string kFontsFolder = "C:\\WINDOWS\\Fonts\\";

// One piece as the installer's fgets returns it, and the line it came from.
struct Piece {
    int line = 0;
    std::string text;
    bool first = true;  // the first piece of its line
};

// The file as the C library reads it in text mode: CR LF becomes LF and Ctrl+Z ends the file;
// then fgets takes at most 255 bytes at a time, stopping after a LF.
std::vector<Piece> InstallerPieces(const std::string& contents) {
    std::string text;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (contents[i] == '\x1A') {
            break;
        }
        if (contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') {
            continue;
        }
        text += contents[i];
    }
    std::vector<Piece> pieces;
    int line = 1;
    bool first = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Piece piece;
        piece.line = line;
        piece.first = first;
        while (pos < text.size() &&
               piece.text.size() < static_cast<std::size_t>(kFontListPieceSize)) {
            piece.text += text[pos++];
            if (piece.text.back() == '\n') {
                break;
            }
        }
        first = piece.text.back() == '\n';
        if (first) {
            ++line;
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::string Quote(const std::string& name) {
    return "「" + name + "」";
}

std::string Hex(char16_t unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(unit));
    return buffer;
}

std::string LineNumber(int line) {
    return std::to_string(line) + "行目";
}

bool IsValidUtf8WithMultiByte(const std::string& contents) {
    bool multi = false;
    for (char c : contents) {
        multi = multi || (static_cast<unsigned char>(c) >= 0x80);
    }
    bool valid = false;
    FromUtf8(contents, &valid);
    return multi && valid;
}

bool EndsWithIgnoreCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           cp932::EqualsIgnoreCase(name.substr(name.size() - suffix.size()), suffix);
}

struct ReadFont {
    bool readable = false;
    bool isFont = false;
    FontFile font;
    std::vector<FamilyName> families;
};

ReadFont Load(FontSource& fonts, const std::string& fileName) {
    ReadFont result;
    std::string bytes;
    result.readable = fonts.Read(fileName, bytes);
    if (!result.readable) {
        return result;
    }
    result.isFont = ReadFontFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                 result.font) == FontError::kNone;
    for (const FaceInfo& face : result.font.faces) {
        result.families.push_back(ChooseFamilyName(face));
    }
    return result;
}

class Checker {
  public:
    Checker(FontSource& fonts, SystemFonts* system) : fonts_(fonts), system_(system) {}

    CheckResult Run(const std::string& contents) {
        CheckEncoding(contents);
        std::map<int, bool> splitReported;
        for (const Piece& piece : InstallerPieces(contents)) {
            if (!piece.first) {
                std::string rest = piece.text;
                StripLineEnd(rest);
                if (!rest.empty() && !splitReported[piece.line]) {
                    splitReported[piece.line] = true;
                    Error(piece.line,
                          "行が255バイトを超えているため、インストーラーは255バイトごとに別の行と"
                          "して読みます。名前を短くしてください。");
                }
            }
            if (piece.text.find('\0') != std::string::npos) {
                Warn(piece.line, "NUL文字があり、そこから後ろは読まれません。");
            }
            FontEntry entry;
            if (parser_.Parse(piece.text.c_str(), entry)) {
                CheckEntry(piece.line, entry);
            } else if (piece.first) {
                std::string rest(piece.text.c_str());
                StripLineEnd(rest);
                TrimLeadingSpaces(rest);
                if (!rest.empty()) {
                    Warn(piece.line,
                         "この行はインストーラーに読み飛ばされます。「フォント名,ファイル名」の形"
                         "で書いてください。");
                }
            }
        }
        return std::move(result_);
    }

  private:
    void Error(int line, const std::string& message) {
        result_.findings.push_back(Finding{line, true, message});
    }
    void Warn(int line, const std::string& message) {
        result_.findings.push_back(Finding{line, false, message});
    }

    void CheckEncoding(const std::string& contents) {
        if (contents.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            Error(1,
                  "ファイルの先頭にBOMがあり、1行目のフォント名の一部として読まれます。BOMなしの"
                  "シフトJIS（CP932）で保存してください。");
        }
        if (IsValidUtf8WithMultiByte(contents)) {
            Error(1, "ファイルがUTF-8で保存されています。シフトJIS（CP932）で保存してください。");
            utf8_ = true;
        }
    }

    void CheckEntry(int line, const FontEntry& entry) {
        if (!utf8_) {
            bool nameValid = false;
            bool fileValid = false;
            FromCp932(entry.fontName, &nameValid);
            FromCp932(entry.fileName, &fileValid);
            if (!nameValid || !fileValid || !cp932::IsWellFormed(entry.fontName) ||
                !cp932::IsWellFormed(entry.fileName)) {
                Error(line, "シフトJIS（CP932）として読めない文字があります。");
            }
        }
        CheckDuplicates(line, entry);
        if (!CheckFileName(line, entry.fileName)) {
            return;
        }
        const ReadFont font = Load(fonts_, entry.fileName);
        if (!font.readable) {
            Error(line, "フォントファイル" + Quote(entry.fileName) + "が見つかりません。");
            return;
        }
        if (!font.isFont) {
            Error(line, "ファイル" + Quote(entry.fileName) + "はフォントとして読めません。");
            return;
        }
        if (EndsWithIgnoreCase(entry.fileName, ".otf")) {
            Warn(line,
                 "OpenType（.otf）フォントは、Windows 95/98/Me/NT 4.0 ではインストールを拒否されま"
                 "す。");
        }
        CheckName(line, entry, font);
        AskSystem(line, entry);
    }

    bool CheckFileName(int line, const std::string& fileName) {
        const std::string target = TargetFileName(fileName);
        if (!IsUsableFileName(target)) {
            Error(line, "ファイル名" + Quote(fileName) +
                            "はインストーラーがコピーを拒否します。使えない文字（\\ / : * ? \" < > "
                            "|）や制御文字を除いてください。");
            return false;
        }
        if (kFontsFolder.size() + target.size() >= win::kMaxPath) {
            Error(line, "ファイル名" + Quote(target) +
                            "が長すぎるため、インストーラーがコピーを拒否します。");
            return false;
        }
        return true;
    }

    void CheckDuplicates(int line, const FontEntry& entry) {
        const auto name = faceLines_.find(entry.fontName);
        if (name != faceLines_.end()) {
            Error(line, "フォント名" + Quote(entry.fontName) + "は" + LineNumber(name->second) +
                            "にもあります。1行にまとめてください。");
        } else {
            faceLines_[entry.fontName] = line;
        }
        // File names compare without regard to ASCII case; a trail byte is never folded.
        std::string key = TargetFileName(entry.fileName);
        for (std::size_t i = 0; i < key.size(); i = cp932::NextCharIndex(key, i)) {
            if (cp932::NextCharIndex(key, i) == i + 1 && key[i] >= 'a' && key[i] <= 'z') {
                key[i] = static_cast<char>(key[i] - 'a' + 'A');
            }
        }
        const auto file = fileLines_.find(key);
        if (file != fileLines_.end()) {
            if (EndsWithIgnoreCase(entry.fileName, ".ttc")) {
                Error(line,
                      "同じ .ttc ファイル" + Quote(entry.fileName) + "が" +
                          LineNumber(file->second) +
                          "にもあります。.ttc は最初のフェイスの名前で1行だけ書いてください。");
            } else {
                Error(line, "フォントファイル" + Quote(entry.fileName) + "は" +
                                LineNumber(file->second) + "にもあります。");
            }
        } else {
            fileLines_[key] = line;
        }
    }

    void CheckName(int line, const FontEntry& entry, const ReadFont& font) {
        const std::string& name = entry.fontName;
        const FamilyName* match = nullptr;
        const FamilyName* first = nullptr;
        for (const FamilyName& family : font.families) {
            if (!family.found) {
                continue;
            }
            first = first != nullptr ? first : &family;
            if (family.ansi == name) {
                match = &family;
                break;
            }
        }
        if (first == nullptr) {
            Error(line, "フォント" + Quote(entry.fileName) +
                            "にWindowsが使うファミリ名（名前ID 1）がありません。");
            return;
        }
        if (name[0] == '@') {
            Error(line, "「@」で始まる名前は縦書き用で、書いてはいけません。" + Quote(first->ansi) +
                            "と書いてください。");
            return;
        }
        if (match == nullptr) {
            ExplainMismatch(line, name, *first, font);
            return;
        }
        if (match->cut) {
            Warn(line, "ファミリ名が31文字を超えるため、Windowsでは31文字に切り詰めた" +
                           Quote(match->ansi) + "になります。");
        }
        if (match->bytesCut) {
            Warn(line, "ファミリ名がCP932で31バイトを超えるため、Windowsでは" + Quote(match->ansi) +
                           "に切り詰められます。");
        }
        if (match->lossy) {
            Warn(line, "ファミリ名の文字 " + Hex(match->firstLossy) +
                           " はCP932にないため、Windowsでは" + Quote(match->ansi) +
                           "になります。フォントのファミリ名を見直してください。");
        }
    }

    void ExplainMismatch(int line, const std::string& name, const FamilyName& expected,
                         const ReadFont& font) {
        const std::string want =
            "Windowsが列挙する名前は" + Quote(expected.ansi) + "です。そのとおりに書いてください。";
        for (const FamilyName& family : font.families) {
            if (!family.english.empty() && ToCp932(family.english) == name) {
                Error(line, "英語名" + Quote(name) +
                                "が書かれていますが、日本語名があるため日本語版Windowsでは日本語名"
                                "が列挙されます。" +
                                want);
                return;
            }
            if ((!family.typographic.empty() && ToCp932(family.typographic) == name) ||
                (!family.wws.empty() && ToCp932(family.wws) == name)) {
                Error(line, "優先ファミリ名（名前ID 16/21）" + Quote(name) +
                                "が書かれていますが、Windowsは名前ID 1を使います。" + want);
                return;
            }
            if ((family.cut && ToCp932(family.full) == name) ||
                (family.bytesCut && ToCp932(family.family) == name)) {
                Error(line, "Windowsはファミリ名を31文字で切り詰めます。" + want);
                return;
            }
        }
        Error(line, "フォント名" + Quote(name) + "はフォントのファミリ名と一致しません。" + want);
    }

    void AskSystem(int line, const FontEntry& entry) {
        std::vector<std::string> families;
        if (system_ == nullptr || !system_->Families(entry.fileName, families)) {
            return;
        }
        ++result_.systemChecked;
        std::string listed;
        for (const std::string& family : families) {
            if (family == entry.fontName) {
                ++result_.systemAgreed;
                return;
            }
            if (family[0] != '@') {
                listed += Quote(family);
            }
        }
        Error(line, "このWindowsはこのフォントを" +
                        (listed.empty() ? std::string("（なし）") : listed) + "として列挙します。");
    }

    FontSource& fonts_;
    SystemFonts* system_;
    CheckResult result_;
    FontListLineParser parser_;  // the installer's own line reading
    bool utf8_ = false;
    std::map<std::string, int> faceLines_;
    std::map<std::string, int> fileLines_;
};

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

bool CheckResult::HasError() const {
    for (const Finding& finding : findings) {
        if (finding.error) {
            return true;
        }
    }
    return false;
}

CheckResult CheckFontList(const std::string& contents, FontSource& fonts, SystemFonts* system) {
    return Checker(fonts, system).Run(contents);
}

std::string FormatFinding(const Finding& finding) {
    return "FontList.txt:" + std::to_string(finding.line) +
           (finding.error ? ": error: " : ": warning: ") + finding.message;
}

bool IsFontFileName(const std::string& fileName) {
    return EndsWithIgnoreCase(fileName, ".ttf") || EndsWithIgnoreCase(fileName, ".ttc") ||
           EndsWithIgnoreCase(fileName, ".otf");
}

MadeFontList MakeFontList(const std::vector<std::string>& fileNames, FontSource& fonts) {
    MadeFontList made;
    for (const std::string& fileName : fileNames) {
        const ReadFont font = Load(fonts, fileName);
        if (!font.readable || !font.isFont) {
            made.notes.push_back(Quote(fileName) + "はフォントとして読めないため書きません。");
            continue;
        }
        const FamilyName& family = font.families.front();
        if (!family.found) {
            made.notes.push_back(Quote(fileName) +
                                 "にはWindowsが使うファミリ名（名前ID 1）がないため書きません。");
            continue;
        }
        std::string name = family.ansi;
        // A control character (a line end, a NUL) would break the line it stands on.
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            made.notes.push_back(Quote(fileName) +
                                 "のファミリ名には制御文字があり、FontList.txtに書けません。");
            continue;
        }
        if (name.front() == ' ' || name.back() == ' ') {
            made.notes.push_back(Quote(fileName) + "のファミリ名" + Quote(name) +
                                 "は前後に空白があり、インストーラーが読むと空白が消えます。");
        }
        const std::string line = Field(name) + "," + Field(fileName);
        made.lines.push_back(line);
        made.contents += line + "\r\n";
    }
    return made;
}

}  // namespace fontlist

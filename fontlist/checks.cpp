#include "fontlist/checks.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "common/file_names.h"
#include "fontlist/cp932_convert.h"
#include "fontlist/installer_lines.h"
#include "platform/win_constants.h"

namespace fontlist {

namespace {

// The standard Fonts folder of a Japanese Windows, the shortest destination a copy goes to.
const std::string kFontsFolder = "C:\\WINDOWS\\Fonts\\";

std::string Hex(char32_t codePoint) {
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
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

// Notepad's "Unicode": a byte-order mark, or ASCII text with every other byte NUL.
bool IsUtf16(const std::string& contents) {
    if (contents.compare(0, 2, "\xFF\xFE") == 0 || contents.compare(0, 2, "\xFE\xFF") == 0) {
        return true;
    }
    const std::size_t n = std::min<std::size_t>(contents.size(), 512) & ~std::size_t{1};
    std::size_t nuls[2] = {0, 0};
    for (std::size_t i = 0; i < n; ++i) {
        nuls[i % 2] += contents[i] == '\0' ? 1 : 0;
    }
    return n > 0 && ((nuls[1] * 8 >= n && nuls[0] == 0) || (nuls[0] * 8 >= n && nuls[1] == 0));
}

// The names a line may give a font: for each face, its family, or a member's full name.
std::vector<const GdiName*> WritableNames(const ReadFont& font) {
    std::vector<const GdiName*> names;
    for (const FamilyName& family : font.families) {
        if (family.found) {
            names.push_back(family.member ? &family.fullName : &family);
        }
    }
    return names;
}

class Checker {
  public:
    Checker(FontFiles& fonts, SystemFonts* system) : fonts_(fonts), system_(system) {
        if (system_ != nullptr && system_->CodePage() != kJapaneseCodePage) {
            result_.systemSkipped = true;
            system_ = nullptr;
        }
    }

    CheckResult Run(const std::string& contents) {
        if (IsUtf16(contents)) {
            Error(1,
                  "ファイルがUTF-16（Unicode）で保存されていて、インストーラーは1行も読めません。"
                  "シフトJIS（CP932）で保存してください。");
            return std::move(result_);
        }
        const std::vector<Piece> pieces = InstallerPieces(contents);
        CheckEncoding(contents, pieces);
        std::map<int, bool> splitReported;
        int entries = 0;
        for (const Piece& piece : pieces) {
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
                ++entries;
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
        if (entries == 0) {
            Error(1,
                  "インストーラーが読めるフォントの行が1行もありません。「フォント名,ファイル名」"
                  "の形で書いてください。");
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

    // Bytes that are valid UTF-8 are often valid CP932 too (ﾃｽﾄｱ is C3 BD C4 B1): the fonts
    // decide which reading was meant.
    bool WrittenAsUtf8(const std::vector<Piece>& pieces) {
        bool utf8Names = false;
        for (const Piece& piece : pieces) {
            FontEntry entry;
            if (!parser_.Parse(piece.text.c_str(), entry)) {
                continue;
            }
            bool valid = false;
            const std::string fromUtf8 = ToCp932(FromUtf8(entry.fontName, &valid));
            if (!valid || fromUtf8 == entry.fontName) {
                continue;
            }
            for (const GdiName* name : WritableNames(fonts_.Get(entry.fileName))) {
                if (TrimmedName(*name) == entry.fontName) {
                    return false;
                }
                utf8Names = utf8Names || TrimmedName(*name) == fromUtf8;
            }
        }
        return utf8Names;
    }

    void CheckEncoding(const std::string& contents, const std::vector<Piece>& pieces) {
        const bool bom = contents.compare(0, 3, "\xEF\xBB\xBF") == 0;
        if (bom) {
            Error(1,
                  "ファイルの先頭にBOMがあり、1行目のフォント名の一部として読まれます。BOMなしの"
                  "シフトJIS（CP932）で保存してください。");
        }
        if (IsValidUtf8WithMultiByte(contents) && (bom || WrittenAsUtf8(pieces))) {
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
        const ReadFont& font = fonts_.Get(entry.fileName);
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
        if (IsDeviceName(target)) {
            Error(line, "ファイル名" + Quote(fileName) +
                            "は Windows の装置名（CON、PRN、AUX、NUL、COM0～COM9、LPT0～LPT9）"
                            "なので、インストーラーがコピーを拒否します。");
            return false;
        }
        if (!IsUsableFileName(target)) {
            Error(line, "ファイル名" + Quote(fileName) +
                            "はインストーラーがコピーを拒否します。使えない文字（: * ? \" < > |）"
                            "や制御文字を除いてください。");
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
        if (name == faceLines_.end()) {
            faceLines_[entry.fontName] = line;
        } else {
            Error(line, "フォント名" + Quote(entry.fontName) + "は" + LineNumber(name->second) +
                            "にもあります。1行にまとめてください。");
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
        const FamilyName* first = nullptr;
        const GdiName* match = nullptr;
        for (const FamilyName& family : font.families) {
            first = (first == nullptr && family.found) ? &family : first;
        }
        for (const GdiName* candidate : WritableNames(font)) {
            if (match == nullptr && TrimmedName(*candidate) == name) {
                match = candidate;
            }
        }
        if (first == nullptr) {
            Error(line, "フォント" + Quote(entry.fileName) +
                            "にWindowsが使うファミリ名（名前ID 1）がありません。");
            return;
        }
        if (FaceNameToWrite(*first).empty()) {
            Error(line, "フォント" + Quote(entry.fileName) +
                            "の名前が空か空白だけで、インストーラーは正しく扱えません。フォントの"
                            "名前を直してください。");
            return;
        }
        if (name[0] == '@') {
            Error(line, "「@」で始まる名前は縦書き用で、書いてはいけません。" +
                            Quote(FaceNameToWrite(*first)) + "と書いてください。");
            return;
        }
        if (match == nullptr) {
            ExplainMismatch(line, name, *first, font);
            return;
        }
        const auto owner =
            std::find_if(font.families.begin(), font.families.end(),
                         [match](const FamilyName& family) { return match == &family.fullName; });
        const bool isFull = owner != font.families.end();
        if (isFull && TrimmedName(*owner) == name) {
            Warn(line, "このフェイスは" + MistakenForRegular(name));
        }
        const std::string what = isFull ? "フル ネーム" : "ファミリ名";
        const std::string most = isFull ? "63" : "31";
        if (match->ansi != name) {
            Warn(line, "フォントの" + what + Quote(match->ansi) +
                           "には前後に空白があり、インストーラーは空白を除いて読みます。");
        }
        if (match->cut) {
            Warn(line, what + "が" + most + "文字を超えるため、Windowsでは" + most +
                           "文字に切り詰めた" + Quote(match->ansi) + "になります。");
        }
        if (match->bytesCut) {
            Warn(line, what + "がCP932で" + most + "バイトを超えるため、Windowsでは" +
                           Quote(match->ansi) + "に切り詰められます。");
        }
        if (match->lossy) {
            Warn(line, what + "の文字 " + Hex(match->firstLossy) +
                           " はCP932にないため、Windowsでは" + Quote(match->ansi) +
                           "になります。フォントの名前を見直してください。");
        }
    }

    void ExplainMismatch(int line, const std::string& name, const FamilyName& expected,
                         const ReadFont& font) {
        const std::string want = "Windowsが列挙する名前は" + Quote(FaceNameToWrite(expected)) +
                                 "です。そのとおりに書いてください。";
        for (const FamilyName& family : font.families) {
            // The installer would take the file for the family's regular face, and replace the
            // installed one with it.
            if (family.member && TrimmedName(family) == name) {
                Error(line, Quote(name) +
                                "はファミリ名ですが、このファイルはそのファミリの通常のフェイス"
                                "ではないメンバー（太字・斜体や別の太さ）で、インストーラーは"
                                "通常のフェイスと取り違えます。フル ネームの" +
                                Quote(TrimmedName(family.fullName)) + "と書いてください。");
                return;
            }
            if (!family.english.empty() && ToCp932(family.english) == name) {
                Error(line, "英語名" + Quote(name) +
                                "が書かれていますが、日本語名があるため日本語版Windowsでは日本語名"
                                "が列挙されます。" +
                                want);
                return;
            }
            if (!family.typographic.empty() && ToCp932(family.typographic) == name) {
                Error(line, "優先ファミリ名（名前ID 16）" + Quote(name) +
                                "が書かれていますが、Windowsは名前ID 1を使います。" + want);
                return;
            }
            if (!family.wws.empty() && ToCp932(family.wws) == name) {
                Error(line, "WWSファミリ名（名前ID 21）" + Quote(name) +
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
        std::vector<SystemFace> faces;
        if (system_ == nullptr) {
            return;
        }
        const SystemAnswer answer = system_->Faces(entry.fileName, entry.fontName, faces);
        if (answer == SystemAnswer::kKnown) {
            return;
        }
        ++result_.systemChecked;
        if (answer == SystemAnswer::kRefused) {
            // The installer's AddFontResourceA would fail the same way.
            Error(line, "このWindowsはフォントファイル" + Quote(entry.fileName) +
                            "を読み込めないため、インストーラーもインストールできません。");
            return;
        }
        std::string listed;
        for (const SystemFace& face : faces) {
            // A member is listed under its family; its own name is the full name.
            if (face.IsNamed(entry.fontName)) {
                ++result_.systemAgreed;
                return;
            }
            if (face.family.empty() || face.family[0] != '@') {
                listed += Quote(face.family);
                if (!face.fullName.empty() && face.fullName != face.family) {
                    listed += "（フル ネーム" + Quote(face.fullName) + "）";
                }
            }
        }
        Error(line, "このWindowsはこのフォントを" +
                        (listed.empty() ? std::string("（なし）") : listed) + "として列挙します。");
    }

    FontFiles& fonts_;
    SystemFonts* system_;
    CheckResult result_;
    FontListLineParser parser_;  // the installer's own line reading
    bool utf8_ = false;
    std::map<std::string, int> faceLines_;  // first line of each face name
    std::map<std::string, int> fileLines_;
};

}  // namespace

bool SystemFace::IsNamed(const std::string& faceName) const {
    return TrimSpaces(family) == faceName || TrimSpaces(fullName) == faceName;
}

bool CheckResult::HasError() const {
    for (const Finding& finding : findings) {
        if (finding.error) {
            return true;
        }
    }
    return false;
}

CheckResult CheckFontList(const std::string& contents, FontFiles& fonts, SystemFonts* system) {
    return Checker(fonts, system).Run(contents);
}

CheckResult CheckFontList(const std::string& contents, FontSource& fonts, SystemFonts* system) {
    FontFiles files(fonts);
    return CheckFontList(contents, files, system);
}

std::string FormatFinding(const Finding& finding) {
    return "FontList.txt:" + std::to_string(finding.line) +
           (finding.error ? ": error: " : ": warning: ") + finding.message;
}

}  // namespace fontlist

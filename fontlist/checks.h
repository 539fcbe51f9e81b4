// What `fontlist make` writes and what `fontlist check` finds, over FontList.txt's bytes and a
// source of font files, so both run the same way on Windows, on Linux and in the tests.
#pragma once

#include <string>
#include <vector>

namespace fontlist {

// Font files by the file name FontList.txt gives (CP932).
class FontSource {
  public:
    virtual ~FontSource() = default;
    virtual bool Read(const std::string& fileName, std::string& bytes) = 0;
};

// The running system's own answer, where there is one (Windows): the families GDI enumerates
// once the file is loaded. Families as the "A" calls return them.
class SystemFonts {
  public:
    virtual ~SystemFonts() = default;
    virtual bool Families(const std::string& fileName, std::vector<std::string>& families) = 0;
};

struct Finding {
    int line = 0;  // 1-based line of FontList.txt
    bool error = false;
    std::string message;  // CP932
};

struct CheckResult {
    std::vector<Finding> findings;
    int systemChecked = 0;  // entries the running system was asked about
    int systemAgreed = 0;   // of those, entries whose face name it enumerates
    bool HasError() const;
};

// Checks FontList.txt as the installer reads it. system may be null.
CheckResult CheckFontList(const std::string& contents, FontSource& fonts, SystemFonts* system);

// "FontList.txt:LINE: error: message".
std::string FormatFinding(const Finding& finding);

struct MadeFontList {
    std::string contents;            // the file: CP932, CRLF
    std::vector<std::string> lines;  // its lines, without line ends
    std::vector<std::string> notes;  // font files left out, and why
};

// One line per font file that reads as a font, in the order given: the family of its first
// face, then the file name.
MadeFontList MakeFontList(const std::vector<std::string>& fileNames, FontSource& fonts);

// Whether a file name is one `make` takes: .ttf, .ttc or .otf in any case.
bool IsFontFileName(const std::string& fileName);

}  // namespace fontlist

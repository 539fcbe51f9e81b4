// What `fontlist check` finds, over FontList.txt's bytes and a source of font files, so it runs
// the same way on Windows, on Linux and in the tests.
#pragma once

#include <string>
#include <vector>

#include "fontlist/font_files.h"

namespace fontlist {

// A face the system lists once a file is loaded, as the "A" calls give it.
struct SystemFace {
    std::string family;
    std::string fullName;
    // Whether a line of this name means the face: its family, or a member's full name, with
    // the spaces at their edges dropped as the reader drops them from the line.
    bool IsNamed(const std::string& faceName) const;
};

enum class SystemAnswer {
    kAdded,    // faces holds the faces the file adds
    kKnown,    // it adds nothing the system did not list before (the font is installed)
    kRefused,  // the system does not load it, and lists no face of the name the line gives
};

// The running system's own answer, where there is one (Windows).
class SystemFonts {
  public:
    virtual ~SystemFonts() = default;
    // Loads the file for a moment: what it adds, given the name its line gives it.
    virtual SystemAnswer Faces(const std::string& fileName, const std::string& faceName,
                               std::vector<SystemFace>& faces) = 0;
    // Its ANSI code page: names compare with FontList.txt's on 932 only.
    virtual unsigned CodePage() = 0;
};

constexpr unsigned kJapaneseCodePage = 932;

struct Finding {
    int line = 0;  // 1-based line of FontList.txt
    bool error = false;
    std::string message;  // CP932
};

struct CheckResult {
    std::vector<Finding> findings;
    bool systemSkipped = false;  // a system was given, but not a Japanese one
    int systemChecked = 0;       // entries the running system was asked about
    int systemAgreed = 0;        // of those, entries whose face name it lists
    bool HasError() const;
};

// Checks FontList.txt as the installer reads it. system may be null.
CheckResult CheckFontList(const std::string& contents, FontFiles& fonts, SystemFonts* system);
CheckResult CheckFontList(const std::string& contents, FontSource& fonts, SystemFonts* system);

// "FontList.txt:LINE: error: message".
std::string FormatFinding(const Finding& finding);

}  // namespace fontlist

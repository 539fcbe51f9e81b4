// A font file as any bytes at all, read by fontlist's name reader, named as GDI would name it,
// and checked as the font of a FontList.txt line that is the same bytes again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "fontlist/checks.h"
#include "fontlist/gdi_name.h"
#include "fontlist/make.h"
#include "fontlist/sfnt_names.h"
#include "fuzz_support.h"

namespace {

class OneFont : public fontlist::FontSource {
  public:
    explicit OneFont(std::string bytes) : bytes_(std::move(bytes)) {}
    bool Read(const std::string&, std::string& bytes) override {
        bytes = bytes_;
        return true;
    }

  private:
    std::string bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy: AddressSanitizer reports any read past the end.
    const std::vector<uint8_t> file(data, data + size);
    fontlist::FontFile font;
    const fontlist::FontError error = fontlist::ReadFontFile(file.data(), file.size(), font);
    FUZZ_CHECK((error == fontlist::FontError::kNone) == !font.faces.empty());
    for (const fontlist::FaceInfo& face : font.faces) {
        // Every string lies inside the file: never more units than bytes.
        for (const fontlist::NameRecord& record : face.names) {
            FUZZ_CHECK(record.text.size() <= size);
            FUZZ_CHECK(record.decoded || record.text.empty());
        }
        const fontlist::FamilyName family = fontlist::ChooseFamilyName(face);
        if (!family.found) {
            continue;
        }
        FUZZ_CHECK(family.family.size() <= fontlist::kMaxFaceUnits);
        FUZZ_CHECK(family.full.compare(0, family.family.size(), family.family) == 0);
        FUZZ_CHECK(family.cut == (family.full.size() > fontlist::kMaxFaceUnits));
        FUZZ_CHECK(family.ansi.size() < fontlist::kFaceBytes);
        FUZZ_CHECK(family.ansi == fontlist::AnsiFaceName(family.family));
        // Whole characters only: the system's own conversion never leaves half of one.
        FUZZ_CHECK(cp932::IsWellFormed(family.ansi));
    }

    OneFont fonts(std::string(data, data + size));
    const std::string contents(reinterpret_cast<const char*>(data), size);
    const fontlist::CheckResult result = fontlist::CheckFontList(contents, fonts, nullptr);
    for (const fontlist::Finding& finding : result.findings) {
        FUZZ_CHECK(finding.line >= 1 && !finding.message.empty());
    }
    fontlist::FontFiles files(fonts);
    const fontlist::MadeFontList made = fontlist::MakeFontList({"font.ttf"}, files);
    FUZZ_CHECK(made.lines.size() <= 1);
    if (!made.lines.empty() && made.notes.empty() && made.lines[0].size() < 254) {
        // What make writes without a note, the installer reads back as written.
        FontEntry entry;
        FUZZ_CHECK(FontListLineParser().Parse((made.lines[0] + "\n").c_str(), entry));
        FUZZ_CHECK(entry.fileName == "font.ttf");
        FUZZ_CHECK(entry.fontName ==
                   fontlist::FaceNameToWrite(fontlist::ChooseFamilyName(font.faces[0])));
    }
    return 0;
}

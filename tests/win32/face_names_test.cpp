// The font families GDI reports, with a generated font of a name no system has.
#include <algorithm>
#include <string>

#include "catalogue/installed_fonts.h"
#include "win32_test_support.h"

namespace {

// The probe font built with the tests (a Unix path, reached through Wine's Z: drive).
std::string ProbeFontPath() {
    const char* unixPath = std::getenv("FI_PROBE_FONT");
    if (unixPath == nullptr) {
        return std::string();
    }
    std::string path = "Z:";
    for (const char* c = unixPath; *c != '\0'; ++c) {
        path += *c == '/' ? '\\' : *c;
    }
    return path;
}

bool Known(const std::string& face) {
    return std::find(FaceNameList.begin(), FaceNameList.end(), face) != FaceNameList.end();
}

TEST_F(Win32Test, CollectFaceNamesSeesAFontLoadedWithAddFontResource) {
    const std::string font = ProbeFontPath();
    ASSERT_FALSE(font.empty()) << "FI_PROBE_FONT is not set";
    HWND window = GetDesktopWindow();

    CollectFaceNames(window);
    const std::size_t before = FaceNameList.size();
    EXPECT_GT(before, 0u);
    EXPECT_FALSE(Known("ＦＩ探針表示"));

    ASSERT_GT(AddFontResourceA(font.c_str()), 0) << font;
    CollectFaceNames(window);
    std::printf("%u families before the probe font, %u with it\n", static_cast<unsigned>(before),
                static_cast<unsigned>(FaceNameList.size()));
    // A Japanese system names the family by its Japanese name, in code page 932.
    EXPECT_TRUE(Known("ＦＩ探針表示"));
    EXPECT_FALSE(Known("FI Probe Serif"));
    EXPECT_EQ(std::count(FaceNameList.begin(), FaceNameList.end(), std::string()), 0);

    ASSERT_TRUE(RemoveFontResourceA(font.c_str()));
    CollectFaceNames(window);
    EXPECT_FALSE(Known("ＦＩ探針表示"));
    EXPECT_FALSE(Known("FI Probe Serif"));
    // Wine keeps listing the vertical family "@ＦＩ探針表示" after the font is removed, so only
    // the family itself is checked.
    FaceNameList.clear();
}

}  // namespace

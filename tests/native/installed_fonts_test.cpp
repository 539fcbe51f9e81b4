#include "catalogue/installed_fonts.h"

#include <gtest/gtest.h>

#include "process/globals.h"
#include "fake_fixture.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char k9xKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";

class InstalledFontsTest : public FakeWindowsTest {
  protected:
    ~InstalledFontsTest() override { FaceNameList.clear(); }

    void Add(const std::string& name, const std::string& data) {
        fake.AddStringValue(kNtKey, name, data);
    }
    std::vector<FontEntry> Installed() {
        std::vector<FontEntry> fonts;
        EXPECT_EQ(ScanInstalledFonts(nullptr, fonts), 1);
        return fonts;
    }
    std::vector<std::string> Files() {
        std::vector<std::string> files;
        EXPECT_EQ(ScanRegisteredFontFiles(nullptr, files), 1);
        return files;
    }
};

std::vector<std::string> NamesOf(const std::vector<FontEntry>& fonts) {
    std::vector<std::string> names;
    for (const FontEntry& font : fonts) {
        names.push_back(font.fontName);
    }
    return names;
}

TEST_F(InstalledFontsTest, TypeSuffixesAndExtensionsDecideWhatIsAFont) {
    struct Case {
        const char* name;
        const char* data;
        const char* fontName;  // null: skipped
    };
    const Case cases[] = {
        {"Sample Gothic (TrueType)", "sgothic.ttf", "Sample Gothic"},
        {"Sample Serif (OpenType)", "D:\\Extra\\sserif.otf", "Sample Serif"},
        {"Sample Sans", "SSANS.TTF", "Sample Sans"},
        {"Sample Mincho & Sample PMincho (TrueType)", "smincho.ttc",
         "Sample Mincho & Sample PMincho"},
        {"Sample Raster 10,12", "sraster.fon", nullptr},
        {"Sample Old (TrueType)", "sold.fot", "Sample Old"},
        {"Sample (truetype)", "s.fot", nullptr},
        {"(TrueType)", "t.ttf", "(TrueType)"},
        {"Sample Gothic (TrueType) ", "sg.ttf", "Sample Gothic (TrueType)"},
        {"Spaced Open (Open Type)", "so.otf", "Spaced Open"},
        {"Spaced True (True Type)", "st.ttf", "Spaced True"},
        {"NoBlank(TrueType)", "nb.fon", "NoBlank"},
        {"  Leading  (OpenType)", "l.otf", "  Leading"},
        {"Collection", "c.TtC", "Collection"},
        {"Short", "ttf", nullptr},
        {"Empty data", "", nullptr},
        {"ソフト表示 (TrueType)", "soft.ttf", "ソフト表示"},
    };
    for (const Case& c : cases) {
        std::string fontName = "untouched";
        const bool isFont = RegisteredFontName(c.name, c.data, fontName);
        EXPECT_EQ(isFont, c.fontName != nullptr) << c.name;
        if (c.fontName != nullptr) {
            EXPECT_EQ(fontName, c.fontName) << c.name;
        }
    }
}

TEST_F(InstalledFontsTest, ThePathRuleKeepsFullPathsAndPlacesBareNamesInTheFontsFolder) {
    const std::string prefix = "C:\\WINDOWS\\Fonts\\";
    EXPECT_EQ(RegisteredFilePath("sgothic.ttf", prefix), "C:\\WINDOWS\\Fonts\\sgothic.ttf");
    EXPECT_EQ(RegisteredFilePath("D:\\Extra\\sserif.otf", prefix), "D:\\Extra\\sserif.otf");
    EXPECT_EQ(RegisteredFilePath("\\\\server\\share\\n.ttf", prefix), "\\\\server\\share\\n.ttf");
    EXPECT_EQ(RegisteredFilePath("\\rooted.ttf", prefix), "\\rooted.ttf");
    EXPECT_EQ(RegisteredFilePath("sub\\x.ttf", prefix), "C:\\WINDOWS\\Fonts\\sub\\x.ttf");
    EXPECT_EQ(RegisteredFilePath("x", prefix), "C:\\WINDOWS\\Fonts\\x");
    EXPECT_EQ(RegisteredFilePath("", prefix), "C:\\WINDOWS\\Fonts\\");
}

TEST_F(InstalledFontsTest, ScanInstalledFontsListsFontsInRegistryOrderWithFullPaths) {
    Add("Sample Gothic (TrueType)", "sgothic.ttf");
    Add("Sample Raster 10,12", "sraster.fon");
    Add("Sample Serif (OpenType)", "D:\\Extra\\sserif.otf");
    Add("Sample Gothic (OpenType)", "sgothic2.otf");  // duplicates are kept
    const std::vector<FontEntry> fonts = Installed();
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(NamesOf(fonts),
              (std::vector<std::string>{"Sample Gothic", "Sample Serif", "Sample Gothic"}));
    EXPECT_EQ(fonts[0].fileName, "C:\\WINDOWS\\Fonts\\sgothic.ttf");
    EXPECT_EQ(fonts[1].fileName, "D:\\Extra\\sserif.otf");
    EXPECT_EQ(fonts[2].fileName, "C:\\WINDOWS\\Fonts\\sgothic2.otf");
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_EQ(std::string("RegOpenKeyExA ") + kNtKey + " KEY_READ", fake.calls.at(0));
}

TEST_F(InstalledFontsTest, ScanRegisteredFontFilesListsEveryValue) {
    Add("Sample Gothic (TrueType)", "sgothic.ttf");
    Add("Sample Raster 10,12", "sraster.fon");
    Add("Whatever", "\\\\srv\\fonts\\w.bin");
    fake.SetRegistryValue(kNtKey, "Binary", std::string("bin.ttf\0junk", 12), 3);
    EXPECT_EQ(Files(), (std::vector<std::string>{
                           "C:\\WINDOWS\\Fonts\\sgothic.ttf", "C:\\WINDOWS\\Fonts\\sraster.fon",
                           "\\\\srv\\fonts\\w.bin", "C:\\WINDOWS\\Fonts\\bin.ttf"}));
}

TEST_F(InstalledFontsTest, DataIsReadAsAStringUpToItsFirstNul) {
    // Not terminated, cut by a NUL, and of another type: the string is what counts.
    fake.SetRegistryValue(kNtKey, "Unterminated", "u.ttf", 1);
    fake.SetRegistryValue(kNtKey, "Cut", std::string("c.ttf\0.fon", 10), 1);
    fake.SetRegistryValue(kNtKey, "Expanded", std::string("e.otf\0", 6), 2);
    fake.SetRegistryValue(kNtKey, "Tail", std::string("t.fon\0.ttf", 10), 3);
    const std::vector<FontEntry> fonts = Installed();
    EXPECT_EQ(NamesOf(fonts), (std::vector<std::string>{"Unterminated", "Cut", "Expanded"}));
    EXPECT_EQ(fonts.at(1).fileName, "C:\\WINDOWS\\Fonts\\c.ttf");
}

TEST_F(InstalledFontsTest, LongDoubleByteNamesAndDataAreReadWhole) {
    // The key reports lengths in characters; the buffers must hold them in double bytes.
    std::string longName;
    for (int i = 0; i < 60; ++i) {
        longName += "表";
    }
    std::string longData = "D:\\";
    for (int i = 0; i < 40; ++i) {
        longData += "ソ";
    }
    longData += ".ttf";
    Add(longName, longData);
    Add("a", "b.ttf");
    const std::vector<FontEntry> fonts = Installed();
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].fontName, longName);
    EXPECT_EQ(fonts[0].fileName, longData);
}

TEST_F(InstalledFontsTest, AnEmptyTableIsASuccessAndEachScanStartsAfresh) {
    std::vector<FontEntry> fonts = {FontEntry{"stale", "stale.ttf"}};
    std::vector<std::string> files = {"stale.ttf"};
    EXPECT_EQ(ScanInstalledFonts(nullptr, fonts), 1);
    EXPECT_EQ(ScanRegisteredFontFiles(nullptr, files), 1);
    EXPECT_TRUE(fonts.empty());
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(InstalledFontsTest, TheNineXKeyIsReadOnTheNineXFamily) {
    PlatformId = 1;
    fake.AddStringValue(k9xKey, "Old (TrueType)", "old.ttf");
    Add("New (TrueType)", "new.ttf");
    EXPECT_EQ(NamesOf(Installed()), std::vector<std::string>{"Old"});
}

TEST_F(InstalledFontsTest, AnEnumerationErrorEndsTheScanWithWhatWasRead) {
    Add("One (TrueType)", "1.ttf");
    Add("Two (TrueType)", "2.ttf");
    Add("Three (TrueType)", "3.ttf");
    fake.Fail("RegEnumValueA", "2");
    EXPECT_EQ(NamesOf(Installed()), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(Files().size(), 2u);
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(InstalledFontsTest, ATableThatCannotBeOpenedOrQueriedIsShownToTheOwner) {
    void* owner = reinterpret_cast<void*>(0x42);
    Add("One (TrueType)", "1.ttf");
    fake.Fail("RegOpenKeyExA");
    std::vector<FontEntry> fonts = {FontEntry{"stale", "stale.ttf"}};
    EXPECT_EQ(ScanInstalledFonts(owner, fonts), 0);
    EXPECT_TRUE(fonts.empty());
    std::vector<std::string> files = {"stale"};
    EXPECT_EQ(ScanRegisteredFontFiles(owner, files), 0);
    EXPECT_TRUE(files.empty());
    ASSERT_EQ(fake.messageBoxes.size(), 2u);
    for (const fake::MessageBoxCall& box : fake.messageBoxes) {
        EXPECT_EQ(box.text, "レジストリのオープンに失敗しました。");
        EXPECT_EQ(box.owner, owner);
        EXPECT_EQ(box.style, 0x30u);
    }

    fake::FakePlatform other;
    platform::ScopedPlatform scope(other.Platform());
    other.AddStringValue(kNtKey, "One (TrueType)", "1.ttf");
    other.Fail("RegQueryInfoKeyA");
    EXPECT_EQ(ScanInstalledFonts(owner, fonts), 0);
    EXPECT_TRUE(fonts.empty());
    ASSERT_EQ(other.messageBoxes.size(), 1u);
    EXPECT_EQ(other.messageBoxes[0].text, "レジストリの読み込みに失敗しました。");
    EXPECT_EQ(other.messageBoxes[0].owner, owner);
    EXPECT_EQ(other.liveKeys, 0);
}

TEST_F(InstalledFontsTest, CollectFaceNamesReplacesTheListInTheSystemsOrder) {
    fake.fontFamilies = {"Zeta", "", "ＭＳ ゴシック", "Alpha"};
    FaceNameList = {"stale"};
    void* owner = reinterpret_cast<void*>(0x42);
    CollectFaceNames(owner);
    EXPECT_EQ(FaceNameList, (std::vector<std::string>{"Zeta", "ＭＳ ゴシック", "Alpha"}));
    EXPECT_EQ(fake.liveDeviceContexts, 0);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetDC", "EnumFontFamiliesA", "ReleaseDC"}));

    fake.fontFamilies = {};
    CollectFaceNames(owner);
    EXPECT_TRUE(FaceNameList.empty());
}

TEST_F(InstalledFontsTest, FaceNameEnumProcAlwaysAsksForMore) {
    FaceNameList.clear();
    EXPECT_EQ(FaceNameEnumProc("Face", 4, 0), 1);
    EXPECT_EQ(FaceNameEnumProc("", 1, 0), 1);
    EXPECT_EQ(FaceNameEnumProc("Raster", 1, 0), 1);  // whatever its type
    EXPECT_EQ(FaceNameList, (std::vector<std::string>{"Face", "Raster"}));
}

}  // namespace

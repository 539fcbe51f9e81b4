// Every path the installer composes, at 259, 260 and 261 bytes, with double-byte names whose
// second bytes are backslashes: what fits is used whole, what does not is refused in words.
#include <gtest/gtest.h>

#include "app/install_command.h"
#include "app/startup.h"
#include "catalogue/installed_fonts.h"
#include "engine/install_fonts.h"
#include "fake_fixture.h"
#include "resources/resource.h"
#include "services/font_registry.h"
#include "services/progress_dialog.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// prefix, then "表" (95 5C) and an "x" as needed, then suffix: exactly length bytes.
std::string OfLength(const std::string& prefix, std::size_t length, const std::string& suffix) {
    std::string middle;
    while (prefix.size() + middle.size() + suffix.size() + 2 <= length) {
        middle += "表";
    }
    while (prefix.size() + middle.size() + suffix.size() < length) {
        middle += "x";
    }
    const std::string path = prefix + middle + suffix;
    EXPECT_EQ(path.size(), length);
    return path;
}

std::string Refusal(const std::string& fileName) {
    return "フォントファイル「" + fileName +
           "」はコピーできません。\nファイル名とコピー先のパスの長さ、使われている文字を確認して"
           "ください。";
}

class PathLimitsTest : public FakeWindowsTest {
  protected:
    PathLimitsTest() {
        progress = fake.CreateDialogParam(nullptr, IDD_PROGRESS, nullptr, ProgressDialogProc, 0);
        ProgressDialog = progress;
    }
    ~PathLimitsTest() override { ProgressDialog = nullptr; }

    platform::WindowHandle progress = nullptr;
};

TEST_F(PathLimitsTest, TheProgramFolderPlusFontListTxt) {
    for (std::size_t length : {259u, 260u, 261u}) {
        const std::string listPath = OfLength("C:\\", length - 12, "\\") + "FontList.txt";
        ASSERT_EQ(listPath.size(), length);
        const std::string module = listPath.substr(0, listPath.size() - 12) + "FontInstaller.exe";
        EXPECT_EQ(FontListPathFor(module), length < 260 ? listPath : "") << length;
    }
}

TEST_F(PathLimitsTest, TheDestinationPlusTheFileName) {
    for (std::size_t length : {259u, 260u, 261u}) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* dialog = fresh.progress;
        const std::string name = "ソ表.ttf";
        const std::string destination = OfLength("C:\\", length - name.size(), "\\");
        windows.AddFolder(destination);
        windows.AddFile("C:\\Package\\" + name, "FACE=F\n");
        const int result = InstallFonts(dialog, {{"F", name}}, HeldDestination(destination));
        if (length < 260) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(windows.FileExists(destination + name));
            EXPECT_TRUE(windows.messageBoxes.empty());
        } else {
            EXPECT_EQ(result, 0) << length;
            ASSERT_EQ(windows.messageBoxes.size(), 1u) << length;
            EXPECT_EQ(windows.messageBoxes[0].text, Refusal(name));
            EXPECT_EQ(std::count(windows.calls.begin(), windows.calls.end(),
                                 "CreateFileA CREATE_NEW " + destination + name),
                      0);
        }
    }
}

TEST_F(PathLimitsTest, TheFileNameItself) {
    for (std::size_t length : {259u, 260u, 261u}) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* dialog = fresh.progress;
        const std::string fileName = OfLength("C:\\Package\\", length, ".ttf");
        windows.AddFile(fileName, "FACE=F\n");
        windows.AddFolder("C:\\D");
        const int result = InstallFonts(dialog, {{"F", fileName}}, HeldDestination("C:\\D\\"));
        EXPECT_EQ(result, length < 260 ? 1 : 0) << length;
        if (length >= 260) {
            ASSERT_EQ(windows.messageBoxes.size(), 1u);
            EXPECT_EQ(windows.messageBoxes[0].text, Refusal(fileName));  // quoted whole
        }
    }
}

TEST_F(PathLimitsTest, ANumberedNameThatWouldNotFitStopsTheRun) {
    for (std::size_t length : {259u, 260u, 261u}) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* dialog = fresh.progress;
        // The name fits with one byte to spare; numbering adds one digit, to length bytes.
        const std::string name = "表.ttf";
        const std::string destination = OfLength("C:\\WINDOWS\\Fonts\\", length - 8, "");
        windows.specialFolders[20] = destination;
        windows.AddFolder(destination);
        windows.AddFile(destination + "\\" + name, "stray");
        windows.AddFile("C:\\Package\\" + name, "FACE=F\n");
        const int result = InstallFonts(dialog, {{"F", name}}, HeldDestination(destination + "\\"));
        const std::string numbered = destination + "\\表1.ttf";
        ASSERT_EQ(numbered.size(), length);
        EXPECT_EQ(result, length < 260 ? 1 : 0) << length;
        EXPECT_EQ(windows.FileExists(numbered), length < 260) << length;
        if (length >= 260) {
            ASSERT_EQ(windows.messageBoxes.size(), 1u);
            EXPECT_EQ(windows.messageBoxes[0].text, Refusal(name));
        }
    }
}

TEST_F(PathLimitsTest, ATypedDestinationWithItsBackslash) {
    for (std::size_t length : {258u, 259u, 260u}) {
        const std::string typed = OfLength("D:\\", length, "");
        std::string destination;
        const bool settled = SettleDestination(typed, destination);
        EXPECT_EQ(settled, length + 1 < 260) << length;
        if (settled) {
            EXPECT_EQ(destination, typed + "\\");
        }
    }
}

TEST_F(PathLimitsTest, TheScanKeepsLongPathsWhole) {
    const std::string fonts = OfLength("C:\\", 250, "");
    fake.specialFolders[20] = fonts;
    for (std::size_t dataLength : {259u, 260u, 261u}) {
        fake.AddStringValue(kNtKey, "Full " + std::to_string(dataLength),
                            OfLength("D:\\", dataLength, ".ttf"));
    }
    fake.AddStringValue(kNtKey, "Bare (TrueType)", "表ソ.ttf");
    std::vector<FontEntry> installed;
    ASSERT_EQ(ScanInstalledFonts(nullptr, installed), 1);
    ASSERT_EQ(installed.size(), 4u);
    EXPECT_EQ(installed[0].fileName.size(), 259u);
    EXPECT_EQ(installed[1].fileName.size(), 260u);
    EXPECT_EQ(installed[2].fileName.size(), 261u);
    EXPECT_EQ(installed[3].fileName, fonts + "\\表ソ.ttf");
}

TEST_F(PathLimitsTest, TheRegistryDataIsStoredWhole) {
    for (std::size_t length : {259u, 260u, 261u}) {
        const std::string path = OfLength("D:\\", length, ".ttf");
        ASSERT_EQ(WriteFontRegistryEntry(nullptr, "L" + std::to_string(length), path), 1);
        for (const fake::RegistryValue& value : *fake.Values(kNtKey)) {
            if (value.name == "L" + std::to_string(length) + " (TrueType)") {
                EXPECT_EQ(value.data, path + '\0');
            }
        }
    }
    EXPECT_EQ(fake.Values(kNtKey)->size(), 3u);
}

TEST_F(PathLimitsTest, AMissingFileIsNamedWholeHoweverLong) {
    for (std::size_t length : {259u, 260u, 261u}) {
        fake.messageBoxes.clear();
        const std::string fileName = OfLength("C:\\Nowhere\\", length, "");
        EXPECT_EQ(
            InstallFonts(progress, {{"F", fileName}}, HeldDestination("C:\\WINDOWS\\Fonts\\")), 0);
        ASSERT_EQ(fake.messageBoxes.size(), 1u);
        EXPECT_EQ(fake.messageBoxes[0].text, "ファイル" + fileName + "が見つかりません。");
    }
}

}  // namespace

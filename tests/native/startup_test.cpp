#include "app/startup.h"

#include <gtest/gtest.h>

#include "process/globals.h"
#include "fake_fixture.h"
#include "resources/resource.h"

namespace {

const char kNotFound[] = "フォント情報ファイル「FontList.txt」が見つかりません。";
const char kNoValidData[] =
    "フォント情報ファイル「FontList.txt」に有効なデータが記入されていません。";

class StartupTest : public FakeWindowsTest {
  protected:
    StartupTest() {
        AppInstance = nullptr;
        PlatformId = 99;
        OsClass = 99;
        fake.onDialogShown = [this](platform::WindowHandle dialog, fake::FakeDialog&) {
            fake.SendCommand(dialog, 2);
        };
    }

    int Run() { return RunInstaller(&instance_); }

    void ExpectOnlyWarning(const std::string& text) {
        ASSERT_EQ(fake.messageBoxes.size(), 1u);
        EXPECT_EQ(fake.messageBoxes[0].text, text);
        EXPECT_EQ(fake.messageBoxes[0].caption, "フォントのインストール");
        EXPECT_EQ(fake.messageBoxes[0].style, 0x30u);
        EXPECT_EQ(fake.messageBoxes[0].owner, nullptr);
        EXPECT_TRUE(fake.dialogs.empty());
    }

    int instance_ = 0;
};

TEST_F(StartupTest, AFailedVersionQueryIsReportedAndEndsTheProgram) {
    fake.version.reset();
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning("OSバージョンの取得に失敗しました。");
    EXPECT_EQ(AppInstance, &instance_);
}

TEST_F(StartupTest, StoresTheInstanceThePlatformAndTheClass) {
    fake.version = platform::OsVersion{5, 1, 2600, 2};
    fake.AddFile("C:\\Package\\FontList.txt", "A,a.ttf\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(AppInstance, &instance_);
    EXPECT_EQ(PlatformId, 2u);
    EXPECT_EQ(OsClass, OsWinXP);
}

TEST_F(StartupTest, AnUnknownVersionIsNoFailure) {
    fake.version = platform::OsVersion{3, 51, 1057, 2};
    fake.AddFile("C:\\Package\\FontList.txt", "A,a.ttf\nB,b.ttf\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(OsClass, OsUnknown);
    EXPECT_EQ(PlatformId, 2u);
    EXPECT_TRUE(fake.messageBoxes.empty());
    ASSERT_EQ(fake.dialogs.size(), 1u);

    fake.version = platform::OsVersion{3, 10, 0, 0};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(PlatformId, 0u);
}

TEST_F(StartupTest, AMissingFontListIsReported) {
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNotFound);
}

TEST_F(StartupTest, AFolderNamedFontListIsReportedAsMissing) {
    fake.AddFolder("C:\\Package\\FontList.txt");
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNotFound);
}

TEST_F(StartupTest, AFontListThatCannotBeOpenedIsReportedOnce) {
    fake.AddFile("C:\\Package\\FontList.txt", "A,a.ttf\n");
    fake.Fail("fopen");
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning("フォント情報ファイル「FontList.txt」のオープンに失敗しました。");
}

TEST_F(StartupTest, AFontListWithoutValidLinesIsReported) {
    fake.AddFile("C:\\Package\\FontList.txt", "one field\n,x.ttf\na,b,c\n");
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNoValidData);
}

TEST_F(StartupTest, OneFontOpensTheSingleFontDialogWithItsName) {
    fake.AddFile("C:\\Package\\FontList.txt", "テスト明朝,m.ttf\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    ASSERT_EQ(fake.dialogs.size(), 1u);
    const fake::FakeDialog& dialog = *fake.dialogs[0];
    EXPECT_EQ(dialog.templateId, IDD_SINGLE_FONT);
    EXPECT_EQ(dialog.owner, nullptr);
    EXPECT_EQ(dialog.controls.at(IDC_SINGLE_FONT_NAME).text, "テスト明朝");
    EXPECT_EQ(dialog.controls.count(IDC_FONT_LIST), 0u);
    EXPECT_EQ(dialog.controls.at(IDC_FONTS_FOLDER).text, "C:\\WINDOWS\\Fonts");
    EXPECT_EQ(dialog.controls.at(IDC_STANDARD_FOLDER).check, 1u);
    EXPECT_FALSE(dialog.controls.at(IDC_DESTINATION).enabled);
    EXPECT_FALSE(dialog.controls.at(IDC_BROWSE).enabled);
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(dialog.result, 2);
}

TEST_F(StartupTest, TwoOrMoreFontsOpenTheListDialogInFileOrder) {
    fake.AddFile("C:\\Package\\FontList.txt", "ソフト表示,s.ttf\nBeta,b.ttf\nAlpha,a.ttf\n");
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(fake.dialogs.size(), 1u);
    const fake::FakeDialog& dialog = *fake.dialogs[0];
    EXPECT_EQ(dialog.templateId, IDD_FONT_LIST);
    EXPECT_EQ(dialog.controls.at(IDC_FONT_LIST).items,
              (std::vector<std::string>{"ソフト表示", "Beta", "Alpha"}));
    EXPECT_EQ(dialog.controls.count(IDC_SINGLE_FONT_NAME), 0u);
}

TEST_F(StartupTest, TheExitCodeIsZeroWhateverTheDialogReturns) {
    fake.AddFile("C:\\Package\\FontList.txt", "A,a.ttf\nB,b.ttf\n");
    fake.onDialogShown = [](platform::WindowHandle, fake::FakeDialog&) {};
    fake.Fail("DialogBoxParamA");
    EXPECT_EQ(Run(), 0);
}

TEST_F(StartupTest, FindsFontListBesideAProgramWhoseFolderEndsInATrailByte0x5C) {
    fake.modulePath = "C:\\ソ\\表\\FontInstaller.exe";
    fake.AddFile("C:\\ソ\\表\\FontList.txt", "A,a.ttf\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.calls[2], "FindFirstFileA C:\\ソ\\表\\FontList.txt");
}

TEST_F(StartupTest, APathBeyondTheLimitIsTakenAsMissing) {
    // Folder plus "FontList.txt" exactly 259 bytes fits; 260 does not.
    const std::string folderFits = "C:\\" + std::string(259 - 12 - 4, 'f') + "\\";
    ASSERT_EQ((folderFits + "FontList.txt").size(), 259u);
    fake.modulePath = folderFits + "a.exe";
    fake.AddFile(folderFits + "FontList.txt", "A,a.ttf\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.dialogs.size(), 1u);
    fake.dialogs.clear();

    const std::string folderTooLong = "C:\\" + std::string(260 - 12 - 4, 'g') + "\\";
    ASSERT_EQ((folderTooLong + "FontList.txt").size(), 260u);
    fake.modulePath = folderTooLong + "a.exe";
    fake.AddFile(folderTooLong + "FontList.txt", "A,a.ttf\n");
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNotFound);
}

TEST_F(StartupTest, AModulePathCutShortBySystemIsTakenAsMissing) {
    fake.modulePath = "C:\\" + std::string(300, 'p') + "\\a.exe";
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNotFound);
    fake.messageBoxes.clear();

    fake.modulePath = "C:\\Package\\FontInstaller.exe";
    fake.AddFile("C:\\Package\\FontList.txt", "A,a.ttf\n");
    fake.Fail("GetModuleFileNameA");
    EXPECT_EQ(Run(), 0);
    ExpectOnlyWarning(kNotFound);
}

TEST(FontListPathTest, CutsAfterTheLastRealBackslash) {
    EXPECT_EQ(FontListPathFor("C:\\Pkg\\Setup.exe"), "C:\\Pkg\\FontList.txt");
    EXPECT_EQ(FontListPathFor("C:\\ソ"), "C:\\FontList.txt");
    EXPECT_EQ(FontListPathFor("\\\\server\\share\\表\\i.exe"),
              "\\\\server\\share\\表\\FontList.txt");
    EXPECT_EQ(FontListPathFor("Setup.exe"), "FontList.txt");
}

}  // namespace

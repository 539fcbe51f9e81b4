#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include "app/messages.h"
#include "fake_fixture.h"
#include "resources/resource.h"

namespace {

class MainDialogTest : public FakeWindowsTest {
  protected:
    // Opens the list dialog and lets play act as the user while it is open.
    fake::FakeDialog& Open(std::function<void(platform::WindowHandle)> play) {
        FontList = {{"A", "a.ttf"}, {"B", "b.ttf"}};
        fake.onDialogShown = [play](platform::WindowHandle dialog, fake::FakeDialog&) {
            play(dialog);
        };
        fake.DialogBoxParam(nullptr, IDD_FONT_LIST, nullptr, MainDialogProc, 0);
        return *fake.dialogs.back();
    }
};

TEST_F(MainDialogTest, OnlyCloseEndsTheDialogAndEveryCommandIsHandled) {
    intptr_t install = -1, other = -1, close = -1;
    bool openAfterInstall = false;
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        install = fake.SendCommand(handle, 1);
        other = fake.SendCommand(handle, IDC_FONT_LIST);
        openAfterInstall = !fake.dialogs.back()->ended;
        close = fake.SendCommand(handle, 2);
    });
    EXPECT_EQ(install, 1);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(close, 1);
    EXPECT_TRUE(openAfterInstall);
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(dialog.result, 2);
}

TEST_F(MainDialogTest, MessagesOtherThanInitAndCommandAreLeftToTheDialogManager) {
    Open([&](platform::WindowHandle handle) {
        EXPECT_EQ(MainDialogProc(handle, 0x0010 /* WM_CLOSE */, 0, 0), 0);
        EXPECT_EQ(MainDialogProc(handle, 0x000F /* WM_PAINT */, 0, 0), 0);
        fake.SendCommand(handle, 2);
    });
}

TEST_F(MainDialogTest, TheCommandIdIsTheLowWordWhateverTheNotification) {
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        MainDialogProc(handle, 0x0111, (0x0300u << 16) | 2u, 0);
    });
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(dialog.result, 2);
}

TEST_F(FakeWindowsTest, ShowInfoAndShowWarningDifferOnlyInTheirIcon) {
    int owner = 0;
    ShowInfo("インストールが終了しました。", &owner);
    ShowWarning("注意", nullptr);
    ASSERT_EQ(fake.messageBoxes.size(), 2u);
    EXPECT_EQ(fake.messageBoxes[0].style, 0x40u);
    EXPECT_EQ(fake.messageBoxes[0].owner, &owner);
    EXPECT_EQ(fake.messageBoxes[0].caption, "フォントのインストール");
    EXPECT_EQ(fake.messageBoxes[0].text, "インストールが終了しました。");
    EXPECT_EQ(fake.messageBoxes[1].style, 0x30u);
    EXPECT_EQ(fake.messageBoxes[1].owner, nullptr);
    EXPECT_EQ(fake.messageBoxes[1].caption, "フォントのインストール");
}

}  // namespace

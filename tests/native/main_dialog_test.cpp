#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process/globals.h"
#include "process/messages.h"
#include "fake_fixture.h"
#include "resources/resource.h"

namespace {

class MainDialogTest : public FakeWindowsTest {
  protected:
    ~MainDialogTest() override { OsClass = savedOsClass_; }

    // Opens the list dialog and lets play act as the user while it is open.
    fake::FakeDialog& Open(std::function<void(platform::WindowHandle)> play) {
        if (FontList.empty()) {
            FontList = {{"A", "a.ttf"}, {"B", "b.ttf"}};
        }
        fake.onDialogShown = [play](platform::WindowHandle dialog, fake::FakeDialog&) {
            play(dialog);
        };
        fake.DialogBoxParam(nullptr, IDD_FONT_LIST, nullptr, MainDialogProc, 0);
        return *fake.dialogs.back();
    }

    // The calls logged from now on, so that a test sees only what its own action did.
    void StartLog() { fake.calls.clear(); }

    std::vector<bool> Selection(fake::FakeDialog& dialog) {
        return dialog.controls[IDC_FONT_LIST].selected;
    }

  private:
    int32_t savedOsClass_ = OsClass;
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

TEST_F(MainDialogTest, EveryCommandAnswersTrueAndOnlyItsOwnControlsAreTouched) {
    struct Case {
        int id;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {IDC_SELECT_ALL,
         {"SendDlgItemMessageA 1000 0x185 1 0", "SendDlgItemMessageA 1000 0x185 1 1"}},
        {IDC_DESELECT_ALL,
         {"SendDlgItemMessageA 1000 0x185 0 0", "SendDlgItemMessageA 1000 0x185 0 1"}},
        {IDC_STANDARD_FOLDER,
         {"SendDlgItemMessageA 1004 0xF0 0 0", "EnableWindow 1005 0", "EnableWindow 1006 0"}},
        {IDC_CHOSEN_FOLDER,
         {"SendDlgItemMessageA 1004 0xF0 0 0", "EnableWindow 1005 0", "EnableWindow 1006 0"}},
        {IDC_BROWSE, {"SHBrowseForFolderA フォルダを選択してください"}},
        // The list (double-clicks included), the edit and unknown ids do nothing.
        {IDC_FONT_LIST, {}},
        {IDC_DESTINATION, {}},
        {IDC_FONTS_FOLDER, {}},
        {0, {}},
        {0xFFFF, {}},
    };
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        for (const Case& c : cases) {
            StartLog();
            EXPECT_EQ(fake.SendCommand(handle, c.id), 1) << "id " << c.id;
            EXPECT_EQ(fake.calls, c.calls) << "id " << c.id;
        }
    });
    EXPECT_FALSE(dialog.ended);
}

TEST_F(MainDialogTest, SelectAllAndDeselectAllSendOneMessagePerFontAndNeverTheAllIndex) {
    FontList = {{"Zeta", "z.ttf"}, {"Alpha", "a.ttf"}, {"ソフト", "s.ttf"}, {"Alpha", "a2.ttf"}};
    std::vector<bool> afterSelect, afterDeselect;
    std::vector<std::string> selectCalls;
    Open([&](platform::WindowHandle handle) {
        fake::FakeDialog& dialog = *fake.dialogs.back();
        EXPECT_EQ(Selection(dialog), std::vector<bool>(4, false)) << "none selected at first";
        dialog.controls[IDC_FONT_LIST].selected[2] = true;  // the user picked one
        StartLog();
        SetAllFontsSelected(handle, true);
        selectCalls = fake.calls;
        afterSelect = Selection(dialog);
        SetAllFontsSelected(handle, false);
        afterDeselect = Selection(dialog);
    });
    EXPECT_EQ(selectCalls,
              (std::vector<std::string>{
                  "SendDlgItemMessageA 1000 0x185 1 0", "SendDlgItemMessageA 1000 0x185 1 1",
                  "SendDlgItemMessageA 1000 0x185 1 2", "SendDlgItemMessageA 1000 0x185 1 3"}));
    EXPECT_EQ(afterSelect, std::vector<bool>(4, true));
    EXPECT_EQ(afterDeselect, std::vector<bool>(4, false));
}

TEST_F(MainDialogTest, TheDestinationControlsFollowChooseAFolderAloneAndKeepTheirText) {
    std::vector<std::pair<bool, bool>> enabled;  // (1005, 1006) after each step
    std::string kept;
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        fake::FakeDialog& d = *fake.dialogs.back();
        StartLog();  // initialisation checks 1002; from here on nothing may ask it
        auto note = [&] {
            enabled.emplace_back(d.controls[IDC_DESTINATION].enabled,
                                 d.controls[IDC_BROWSE].enabled);
        };
        // A click on "choose a folder" checks it and unchecks its partner.
        d.controls[IDC_STANDARD_FOLDER].check = 0;
        d.controls[IDC_CHOSEN_FOLDER].check = 1;
        fake.SendCommand(handle, IDC_CHOSEN_FOLDER);
        note();
        fake.SetDlgItemText(handle, IDC_DESTINATION, "D:\\新しいフォント");
        d.controls[IDC_STANDARD_FOLDER].check = 1;
        d.controls[IDC_CHOSEN_FOLDER].check = 0;
        fake.SendCommand(handle, IDC_STANDARD_FOLDER);
        note();
        kept = d.controls[IDC_DESTINATION].text;
        // Only 1004 is asked: with it checked the controls are enabled whatever 1002 says.
        d.controls[IDC_STANDARD_FOLDER].check = 1;
        d.controls[IDC_CHOSEN_FOLDER].check = 1;
        UpdateDestinationControls(handle);
        note();
        d.controls[IDC_STANDARD_FOLDER].check = 0;
        d.controls[IDC_CHOSEN_FOLDER].check = 0;
        UpdateDestinationControls(handle);
        note();
    });
    EXPECT_EQ(enabled, (std::vector<std::pair<bool, bool>>{
                           {true, true}, {false, false}, {true, true}, {false, false}}));
    EXPECT_EQ(kept, "D:\\新しいフォント");
    for (const std::string& call : fake.calls) {
        EXPECT_EQ(call.find("SendDlgItemMessageA 1002"), std::string::npos) << call;
    }
    EXPECT_FALSE(dialog.ended);
}

TEST_F(MainDialogTest, BrowseReplacesTheDestinationOnlyWithAChosenFolder) {
    std::vector<std::string> texts;
    std::vector<platform::WindowHandle> owners;
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        fake::FakeDialog& d = *fake.dialogs.back();
        fake.SetDlgItemText(handle, IDC_DESTINATION, "typed by hand");
        fake.browseChoice.reset();  // cancel
        fake.SendCommand(handle, IDC_BROWSE);
        texts.push_back(d.controls[IDC_DESTINATION].text);
        fake.browseChoice = "";  // the Control Panel: no path
        fake.SendCommand(handle, IDC_BROWSE);
        texts.push_back(d.controls[IDC_DESTINATION].text);
        fake.browseChoice = "C:\\出力\\表";
        fake.SendCommand(handle, IDC_BROWSE);
        texts.push_back(d.controls[IDC_DESTINATION].text);
        for (const fake::BrowseCall& browse : fake.browses) {
            owners.push_back(browse.info.owner);
            EXPECT_EQ(browse.info.data, 0) << "the main dialog gives no initial folder";
            EXPECT_EQ(browse.selection, "");
        }
        owners.push_back(handle);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{"typed by hand", "typed by hand", "C:\\出力\\表"}));
    ASSERT_EQ(owners.size(), 4u);
    EXPECT_EQ(owners[0], owners[3]) << "owned by the main dialog";
    EXPECT_EQ(owners[1], owners[3]);
    EXPECT_EQ(owners[2], owners[3]);
    EXPECT_EQ(fake.liveItemLists, 0);
    EXPECT_EQ(fake.liveAllocators, 0);
    EXPECT_FALSE(dialog.ended);
}

TEST_F(MainDialogTest, AnInstallThatDidNotCompleteLeavesTheDialogAsItWas) {
    fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
        fake::FakeDialog& d = *fake.dialogs.back();
        d.controls[IDC_FONT_LIST].selected[1] = true;
        const auto before = d.controls;
        StartLog();
        FinishInstallCommand(handle, 0);
        EXPECT_TRUE(fake.calls.empty());
        // The install button itself, refused for want of rights to the font table.
        fake.readOnlyKeys.insert("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
        EXPECT_EQ(MainDialogProc(handle, 0x0111, 1, 0), 1);
        EXPECT_EQ(d.controls[IDC_FONT_LIST].selected, before.at(IDC_FONT_LIST).selected);
        EXPECT_EQ(d.controls[IDC_DESTINATION].text, before.at(IDC_DESTINATION).text);
    });
    EXPECT_FALSE(dialog.ended);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].text,
              "フォントのインストールは管理者権限のあるユーザで行ってください。");
}

TEST_F(MainDialogTest, ACompletedInstallIsAnnouncedOverTheDialogWhichThenEndsWithOne) {
    for (int32_t osClass : {OsWin95, OsWinXP}) {
        OsClass = osClass;
        fake.messageBoxes.clear();
        platform::WindowHandle shown = nullptr;
        fake::FakeDialog& dialog = Open([&](platform::WindowHandle handle) {
            shown = handle;
            StartLog();
            FinishInstallCommand(handle, 1);
        });
        ASSERT_EQ(fake.messageBoxes.size(), 1u);
        EXPECT_EQ(fake.messageBoxes[0].owner, shown);
        EXPECT_EQ(fake.messageBoxes[0].style, 0x40u) << "ShowInfo";
        const bool restartNote = fake.messageBoxes[0].text.find("Windows95") != std::string::npos;
        EXPECT_EQ(restartNote, osClass == OsWin95);
        // The message first, then the end of the dialog.
        ASSERT_EQ(fake.calls.size(), 2u);
        EXPECT_EQ(fake.calls[0].rfind("MessageBoxA", 0), 0u);
        EXPECT_EQ(fake.calls[1], "EndDialog 1");
        EXPECT_TRUE(dialog.ended);
        EXPECT_EQ(dialog.result, 1);
    }
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

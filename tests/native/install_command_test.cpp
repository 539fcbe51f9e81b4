#include "app/install_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "process/globals.h"
#include "app/main_dialog.h"
#include "fake_fixture.h"
#include "platform/fake/fake_constants.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/folders.h"
#include "services/progress_dialog.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

class InstallCommandTest : public FakeWindowsTest {
  protected:
    InstallCommandTest() {
        FontList = {{"A", "a.ttf"}, {"B", "b.ttf"}, {"C", "c.ttf"}};
        for (const FontEntry& font : FontList) {
            fake.AddFile("C:\\Package\\" + font.fileName, "FACE=" + font.fontName + "\n");
        }
    }

    // Opens the main dialog, lets arrange play the user, then presses the install button.
    int Press(const std::function<void(platform::WindowHandle, fake::FakeDialog&)>& arrange,
              int templateId = IDD_FONT_LIST) {
        int result = -1;
        fake.onDialogShown = [&](platform::WindowHandle handle, fake::FakeDialog& dialog) {
            if (dialog.templateId != templateId) {
                return;
            }
            main = handle;
            arrange(handle, dialog);
            fake.calls.clear();
            result = RunInstallCommand(handle);
        };
        fake.DialogBoxParam(nullptr, templateId, nullptr, MainDialogProc, 0);
        return result;
    }

    static void Select(fake::FakeDialog& dialog, std::initializer_list<int> items) {
        for (int item : items) {
            dialog.controls[IDC_FONT_LIST].selected[static_cast<std::size_t>(item)] = true;
        }
    }
    static void ChooseFolder(fake::FakeDialog& dialog, const std::string& typed) {
        dialog.controls[IDC_CHOSEN_FOLDER].check = 1;
        dialog.controls[IDC_STANDARD_FOLDER].check = 0;
        dialog.controls[IDC_DESTINATION].text = typed;
    }

    // Presses the install button with the first font chosen and the folder typed.
    int PressInto(const std::string& typed) {
        fake.messageBoxes.clear();
        return Press([&](platform::WindowHandle, fake::FakeDialog& dialog) {
            Select(dialog, {0});
            ChooseFolder(dialog, typed);
        });
    }
    // The warning about a folder others could swap.
    static std::vector<std::string> Refusal(const std::string& folder) {
        return std::vector<std::string>{
            "フォルダ「" + folder +
            "」には、ほかのユーザがフォントを置き換えられるため、インストールできません。\n"
            "標準のフォントフォルダを選ぶと、安全にインストールできます。"};
    }

    int Count(const std::string& prefix) const {
        return static_cast<int>(
            std::count_if(fake.calls.begin(), fake.calls.end(),
                          [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
    }
    std::string Value(const std::string& name) const {
        for (const fake::RegistryValue& value : *fake.Values(kNtKey)) {
            if (value.name == name) {
                return value.data.substr(0, value.data.find('\0'));
            }
        }
        return "<none>";
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const fake::MessageBoxCall& box : fake.messageBoxes) {
            EXPECT_EQ(box.owner, main);
            texts.push_back(box.text);
        }
        return texts;
    }

    platform::WindowHandle main = nullptr;
};

TEST_F(InstallCommandTest, InstallsTheSelectionInListOrderIntoTheFontsFolder) {
    const int result = Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
        Select(dialog, {2, 0});
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("A (TrueType)"), "a.ttf");
    EXPECT_EQ(Value("C (TrueType)"), "c.ttf");
    EXPECT_EQ(Value("B (TrueType)"), "<none>");
    // The progress dialog: modeless, owned by the main dialog, gone afterwards.
    const auto progress = std::find_if(
        fake.dialogs.begin(), fake.dialogs.end(),
        [](const std::unique_ptr<fake::FakeDialog>& d) { return d->templateId == IDD_PROGRESS; });
    ASSERT_NE(progress, fake.dialogs.end());
    EXPECT_TRUE((*progress)->modeless);
    EXPECT_EQ((*progress)->owner, main);
    EXPECT_TRUE((*progress)->destroyed);
    EXPECT_EQ(ProgressDialog, nullptr);
    EXPECT_EQ((*progress)->controls[IDC_PROGRESS_TEXT].texts.at(1), "A をインストールしています。");
    EXPECT_EQ((*progress)->controls[IDC_PROGRESS_TEXT].texts.at(2), "C をインストールしています。");
    // The standard folder is neither looked for nor created.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "FindFirstFileA C:\\WINDOWS\\Fonts"),
              0);
    EXPECT_EQ(Count("CreateDirectoryA"), 0);
    EXPECT_FALSE(InstallInProgress());
}

TEST_F(InstallCommandTest, TheSingleFontDialogInstallsItsFontWithoutAList) {
    FontList = {{"Only", "only.ttf"}};
    fake.AddFile("C:\\Package\\only.ttf", "FACE=Only\n");
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog&) {}, IDD_SINGLE_FONT), 1);
    EXPECT_EQ(Count("SendDlgItemMessageA 1000"), 0);
    EXPECT_EQ(Value("Only (TrueType)"), "only.ttf");
}

TEST_F(InstallCommandTest, ChecksComeInTheirFixedOrder) {
    // No rights: only that is said, even with nothing selected and no folder typed.
    fake.readOnlyKeys.insert(kNtKey);
    EXPECT_EQ(
        Press([](platform::WindowHandle, fake::FakeDialog& dialog) { ChooseFolder(dialog, ""); }),
        0);
    EXPECT_EQ(Texts(), std::vector<std::string>{
                           "フォントのインストールは管理者権限のあるユーザで行ってください。"});
    EXPECT_EQ(fake.messageBoxes[0].style, 0x30u);
    EXPECT_EQ(Count("SendDlgItemMessageA 1000"), 0);

    // Then the selection, before the destination.
    fake.readOnlyKeys.clear();
    fake.messageBoxes.clear();
    EXPECT_EQ(
        Press([](platform::WindowHandle, fake::FakeDialog& dialog) { ChooseFolder(dialog, ""); }),
        0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"インストールするフォントを選択してください。"});
    EXPECT_EQ(fake.messageBoxes[0].style, 0x40u);
    EXPECT_EQ(Count("CreateDialogParamA"), 0);

    fake.messageBoxes.clear();
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
                  Select(dialog, {1});
                  ChooseFolder(dialog, "");
              }),
              0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"コピー先のフォルダを選択してください。"});
    EXPECT_EQ(fake.messageBoxes[0].style, 0x30u);
    EXPECT_EQ(Count("CreateDialogParamA"), 0);
}

TEST_F(InstallCommandTest, TheNineXFamilyHasNoRightsCheck) {
    PlatformId = 1;
    fake.AddKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts");
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) { Select(dialog, {0}); }),
              1);
    EXPECT_EQ(Count("RegOpenKeyExA SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts "
                    "KEY_ALL_ACCESS"),
              1);  // the one that writes the value, not a check before
    EXPECT_EQ(fake.calls.front().rfind("SendDlgItemMessageA 1000", 0), 0u);
}

TEST_F(InstallCommandTest, AChosenFolderGetsOneTrailingBackslashAndIsCreatedWhenMissing) {
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\New\\Fonts", "D:\\New\\Fonts\\"},
        {"D:\\Ready\\", "D:\\Ready\\"},
        {"D:\\表", "D:\\表\\"},  // its last byte 0x5C is no backslash
        // The system's separators either way: an existing folder is found, a new one is made
        // level by level.
        {"D:\\Ready/", "D:\\Ready\\"},
        {"D:/Slashed/Two", "D:\\Slashed\\Two\\"},
    };
    fake.AddFolder("D:\\Ready");
    for (const auto& [typed, destination] : cases) {
        fake.messageBoxes.clear();
        EXPECT_EQ(Press([&, typed = typed](platform::WindowHandle, fake::FakeDialog& dialog) {
                      Select(dialog, {0});
                      ChooseFolder(dialog, typed);
                  }),
                  1)
            << typed;
        EXPECT_TRUE(fake.messageBoxes.empty()) << typed;
        EXPECT_EQ(Value("A (TrueType)"), destination + "a.ttf") << typed;
        EXPECT_TRUE(fake.FileExists(destination + "a.ttf")) << typed;
        // An existing folder is not created again.
        EXPECT_EQ(Count("CreateDirectoryA") == 0, destination == "D:\\Ready\\") << typed;
    }
}

TEST_F(InstallCommandTest, AFolderThatCannotBeCreatedIsNamedWithItsBackslash) {
    fake.Fail("CreateDirectoryA");
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
                  Select(dialog, {0});
                  ChooseFolder(dialog, "D:\\Nope\\ソ");
              }),
              0);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"フォルダ「D:\\Nope\\ソ\\」の作成に失敗しました。"});
    EXPECT_EQ(Count("CreateDialogParamA"), 0);
}

TEST_F(InstallCommandTest, AFolderWindowsWouldRefuseOrMatchAnotherIsRefusedBeforeAnythingChanges) {
    // D:\MyFont* (or D:\MyFonts" on the NT family) would find D:\MyFonts, and D:\Fonts \ is
    // created as D:\Fonts: either way the run would remove the installed A, then fail to copy.
    fake.AddFolder("D:\\MyFonts");
    fake.AddFile("D:\\MyFonts\\a.ttf", "FACE=A\n");
    fake.AddStringValue(kNtKey, "A (TrueType)", "D:\\MyFonts\\a.ttf");
    fake.loadedFonts.push_back("D:\\MyFonts\\a.ttf");
    for (const std::string typed :
         {"D:\\MyFont*", "D:\\MyFont?", "D:\\*\\x", "D:\\MyFonts\"", "D:\\<x>", "D:\\a|b",
          "D:\\tab\tx", "D:\\a:b", "D:a:", "D:\\Fonts \\", "D:\\Fonts.\\x", "D:/x./y", "D:\\...",
          "D:\\x\\ "}) {
        fake.messageBoxes.clear();
        EXPECT_EQ(Press([&](platform::WindowHandle, fake::FakeDialog& dialog) {
                      Select(dialog, {0});
                      ChooseFolder(dialog, typed);
                  }),
                  0)
            << typed;
        EXPECT_EQ(Texts(), std::vector<std::string>{"フォルダ「" + WithTrailingBackslash(typed) +
                                                    "」の作成に失敗しました。"});
        EXPECT_EQ(Count("CreateDialogParamA"), 0) << typed;
        EXPECT_EQ(Count("CreateDirectoryA"), 0) << typed;
    }
    EXPECT_EQ(Value("A (TrueType)"), "D:\\MyFonts\\a.ttf");
    EXPECT_TRUE(fake.FontLoaded("D:\\MyFonts\\a.ttf"));

    // Their neighbours that Windows takes as they stand.
    std::string destination;
    for (const std::string typed : {"d:\\Fonts\\.\\..\\x", "D:Fonts", "D:\\ .a\\b.c", "\\\\s\\x"}) {
        EXPECT_TRUE(SettleDestination(typed, destination)) << typed;
    }
}

TEST_F(InstallCommandTest, AFolderOthersCouldSwapIsRefusedBeforeAnythingChanges) {
    using platform::Trustee;
    const uint32_t kDelete = 0x10000;
    const uint32_t kDeleteChild = 0x40;
    const uint32_t kWriteDac = 0x40000;
    const uint32_t kWriteOwner = 0x80000;
    const uint32_t kGenericAll = 0x10000000;
    // Everything else a folder's entry can grant: reading, writing, adding files and folders.
    const uint32_t kHarmless =
        (0x1F01FF & ~(kDelete | kDeleteChild | kWriteDac | kWriteOwner)) | 0x60000000;
    const auto secured = [](Trustee owner, std::vector<platform::AccessAllowed> others) {
        platform::FileSecurity security{
            owner,
            true,
            {{Trustee::LocalSystem, 0x1F01FF, 3}, {Trustee::Administrators, 0x1F01FF, 3}}};
        security.allowed.insert(security.allowed.end(), others.begin(), others.end());
        return security;
    };
    const platform::FileSecurity safe = secured(Trustee::Administrators, {});
    fake.AddFolder("D:\\Tools\\Fonts");
    fake.AddFile("D:\\Tools\\Fonts\\a.ttf", "FACE=A\n");
    fake.AddStringValue(kNtKey, "A (TrueType)", "D:\\Tools\\Fonts\\a.ttf");
    fake.loadedFonts.push_back("D:\\Tools\\Fonts\\a.ttf");

    // Each right that lets another user delete, rename or replace the folder, a folder above it
    // or the files in it, or take it over; on the folder, its parent and the root.
    struct Case {
        const char* where;
        platform::FileSecurity security;
    };
    const Case refused[] = {
        {"D:\\Tools", secured(Trustee::Administrators, {{Trustee::Other, kDeleteChild, 0}})},
        {"D:\\Tools\\Fonts", secured(Trustee::Administrators, {{Trustee::Users, kDeleteChild, 3}})},
        {"D:\\Tools\\Fonts", secured(Trustee::Administrators, {{Trustee::Other, kDelete, 0}})},
        {"D:\\", secured(Trustee::Administrators, {{Trustee::Other, kWriteDac, 0}})},
        {"D:\\", secured(Trustee::Administrators, {{Trustee::Users, kDeleteChild, 3}})},
        {"D:\\Tools", secured(Trustee::Administrators, {{Trustee::Users, kWriteOwner, 0}})},
        {"D:\\Tools", secured(Trustee::Administrators, {{Trustee::Other, kGenericAll, 0}})},
        {"D:\\Tools\\Fonts", secured(Trustee::Other, {})},
        {"D:\\Tools", platform::FileSecurity{Trustee::Administrators, false, {}}},
    };
    for (const Case& c : refused) {
        fake.SetSecurity(c.where, c.security);
        EXPECT_EQ(PressInto("D:\\Tools\\Fonts"), 0) << c.where;
        EXPECT_EQ(Texts(), Refusal("D:\\Tools\\Fonts\\")) << c.where;
        EXPECT_EQ(Count("CreateDialogParamA"), 0) << c.where;
        fake.SetSecurity(c.where, safe);
    }
    EXPECT_EQ(Value("A (TrueType)"), "D:\\Tools\\Fonts\\a.ttf");
    EXPECT_TRUE(fake.FontLoaded("D:\\Tools\\Fonts\\a.ttf"));
    // A security that cannot be read is no better.
    fake.Fail("GetSecurityInfo", "D:\\Tools");
    EXPECT_EQ(PressInto("D:\\Tools\\Fonts"), 0);
    EXPECT_EQ(Texts(), Refusal("D:\\Tools\\Fonts\\"));

    // What leaves the fonts alone: every other right, an entry only for what is created inside,
    // a folder owned by the user who runs the installer or by TrustedInstaller, and DELETE on a
    // drive's root, which cannot be deleted or renamed (a data drive gives Authenticated Users
    // Modify).
    fake.SetSecurity("D:\\", secured(Trustee::TrustedInstaller, {{Trustee::Other, kHarmless, 0},
                                                                 {Trustee::Other, 0x1F01FF, 0x0B},
                                                                 {Trustee::Other, kDelete, 3}}));
    fake.SetSecurity("D:\\Ready",
                     secured(Trustee::RunningUser, {{Trustee::Users, kHarmless, 3},
                                                    {Trustee::RunningUser, 0x1F01FF, 3},
                                                    {Trustee::TrustedInstaller, 0x1F01FF, 0}}));
    fake.AddFolder("D:\\Ready");
    EXPECT_EQ(PressInto("D:\\Ready"), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{});
    EXPECT_EQ(Value("A (TrueType)"), "D:\\Ready\\a.ttf");

    // A folder the installer creates passes under parents that pass, and is not created under
    // one that does not.
    EXPECT_EQ(PressInto("D:\\Ready\\New\\Fonts"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    fake.SetSecurity("D:\\Ready",
                     secured(Trustee::RunningUser, {{Trustee::Other, kDeleteChild, 0}}));
    EXPECT_EQ(PressInto("D:\\Ready\\Other"), 0);
    EXPECT_EQ(Texts(), Refusal("D:\\Ready\\Other\\"));
    EXPECT_FALSE(fake.FolderExists("D:\\Ready\\Other"));

    // A folder someone else makes while the installer creates the path stands in it: refused
    // once the path is there.
    fake.onCall = [this](const std::string& call) {
        if (call == "CreateDirectoryA D:\\Raced") {
            fake.AddFolder("D:\\Raced");
            fake.SetSecurity("D:\\Raced", platform::FileSecurity{Trustee::Other, true, {}});
        }
    };
    EXPECT_EQ(PressInto("D:\\Raced\\Fonts"), 0);
    EXPECT_EQ(Texts(), Refusal("D:\\Raced\\Fonts\\"));
    EXPECT_EQ(Count("CreateDialogParamA"), 0);
    fake.onCall = nullptr;

    // A system without ACLs has nothing to refuse.
    fake.SetSecurity("D:\\Ready",
                     secured(Trustee::RunningUser, {{Trustee::Other, kDeleteChild, 0}}));
    EXPECT_EQ(PressInto("D:\\Ready"), 0);
    fake.hasAcls = false;
    EXPECT_EQ(PressInto("D:\\Ready"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(InstallCommandTest, ALinkAtAnyLevelOfTheFolderIsRefusedWhereverItLeads) {
    using platform::Trustee;
    // A folder another user owns and may rewrite at will.
    fake.AddFolder("C:\\Users\\Evil\\Fonts");
    fake.SetSecurity("C:\\Users\\Evil", platform::FileSecurity{Trustee::Other, true, {}});
    fake.SetSecurity("C:\\Users\\Evil\\Fonts", platform::FileSecurity{Trustee::Other, true, {}});
    // The administrator's empty folder replaced by a junction to it, the junction's own owner and
    // DACL as good as any; and a level above the destination replaced the same way.
    fake.AddFolder("C:\\ProgramData\\MyFonts");
    fake.AddJunction("C:\\ProgramData\\MyFonts", "C:\\Users\\Evil\\Fonts");
    fake.AddFolder("C:\\Data");
    fake.AddJunction("C:\\Data", "C:\\Users\\Evil");
    // A junction to a folder that would pass is a link all the same.
    fake.AddFolder("C:\\Safe\\Fonts");
    fake.AddJunction("C:\\Alias", "C:\\Safe");
    // Wine lists a Unix link as a reparse point though its handle is the folder it leads to.
    fake.AddUnixLink("C:\\Wine", "C:\\Safe");
    for (const std::string typed :
         {"C:\\ProgramData\\MyFonts", "C:\\Data\\Fonts", "C:\\Alias\\Fonts", "C:\\Wine\\Fonts"}) {
        EXPECT_EQ(PressInto(typed), 0) << typed;
        EXPECT_EQ(Texts(), Refusal(typed + "\\")) << typed;
        EXPECT_EQ(Count("CreateDialogParamA"), 0) << typed;
    }
    EXPECT_FALSE(fake.FileExists("C:\\Users\\Evil\\Fonts\\a.ttf"));
    EXPECT_FALSE(fake.FileExists("C:\\Safe\\Fonts\\a.ttf"));
    // A folder the system keeps in the cloud is a reparse point but no link: it takes the fonts.
    fake.AddFolder("C:\\Cloud\\Fonts");
    fake.SetReparseTag("C:\\Cloud", win::kReparseTagCloud);
    EXPECT_EQ(PressInto("C:\\Cloud\\Fonts"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("A (TrueType)"), "C:\\Cloud\\Fonts\\a.ttf");
}

TEST_F(InstallCommandTest, TheFolderIsHeldForTheWholeRunAndLetGoAfterwards) {
    // D:\Held is there, D:\Held\Fonts is created: both are held, with the root, while the font
    // is copied, and no one can turn either into a junction meanwhile.
    fake.AddFolder("D:\\Held");
    fake.AddFolder("D:\\Elsewhere");
    int checks = 0;
    fake.onCall = [&](const std::string& call) {
        if (call != "CreateFileA CREATE_NEW D:\\Held\\Fonts\\a.ttf") {
            return;
        }
        ++checks;
        for (const char* level : {"D:\\", "D:\\Held", "D:\\Held\\Fonts"}) {
            EXPECT_TRUE(fake.IsHeld(level)) << level;
        }
        EXPECT_FALSE(fake.AddJunction("D:\\Held\\Fonts", "D:\\Elsewhere"));
        EXPECT_FALSE(fake.AddJunction("D:\\Held", "D:\\Elsewhere"));
    };
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
                  Select(dialog, {0});
                  ChooseFolder(dialog, "D:\\Held\\Fonts");
              }),
              1);
    fake.onCall = nullptr;
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.Contents("D:\\Held\\Fonts\\a.ttf"), "FACE=A\n");
    // Once the run has ended, nothing is held any more.
    EXPECT_FALSE(fake.IsHeld("D:\\Held\\Fonts"));
    EXPECT_FALSE(fake.IsHeld("D:\\"));
    EXPECT_TRUE(fake.AddJunction("D:\\Held\\Fonts", "D:\\Elsewhere"));
}

TEST_F(InstallCommandTest, AFolderWhoseFinalPathCannotBeHadIsRefused) {
    fake.AddFolder("D:\\Ready");
    fake.Fail("GetFinalPathNameByHandleA", "D:\\Ready");
    EXPECT_EQ(PressInto("D:\\Ready"), 0);
    EXPECT_EQ(Texts(), Refusal("D:\\Ready\\"));
    // The Fonts folder is neither checked nor held, but it is resolved, with a text of its own.
    fake.Fail("GetFinalPathNameByHandleA", "C:\\WINDOWS\\Fonts\\");
    fake.messageBoxes.clear();
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) { Select(dialog, {0}); }),
              0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"フォントフォルダ「C:\\WINDOWS\\Fonts\\」の場所を"
                                                "確認できないため、インストールできません。"});
    EXPECT_EQ(PressInto("c:\\windows\\fonts"), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"フォントフォルダ「c:\\windows\\fonts\\」の場所を"
                                                "確認できないため、インストールできません。"});
    EXPECT_EQ(Count("CreateDialogParamA"), 0);
    EXPECT_EQ(Value("A (TrueType)"), "<none>");
    // Without the call (before Vista), the levels held vouch for the folder.
    fake.hasFinalPathName = false;
    EXPECT_EQ(PressInto("D:\\Ready"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("A (TrueType)"), "D:\\Ready\\a.ttf");
}

TEST_F(InstallCommandTest, ARelativeFolderIsPinnedToTheCurrentFolderOfThePress) {
    fake.currentDirectory = "C:\\Work";
    fake.AddFolder("C:\\Work");
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
                  Select(dialog, {0});
                  ChooseFolder(dialog, "out\\fonts");
              }),
              1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    // The run moved into the program's folder; the fonts still went where the folder was made.
    EXPECT_EQ(fake.currentDirectory, "C:\\Package");
    EXPECT_TRUE(fake.FileExists("C:\\Work\\out\\fonts\\a.ttf"));
    EXPECT_FALSE(fake.FolderExists("C:\\Package\\out"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\Work\\out\\fonts\\a.ttf");

    std::string destination;
    EXPECT_TRUE(SettleDestination("..\\up", destination));
    EXPECT_EQ(destination, "C:\\up\\");
    EXPECT_TRUE(SettleDestination("\\\\server\\share\\f", destination));
    EXPECT_EQ(destination, "\\\\server\\share\\f\\");
    EXPECT_TRUE(SettleDestination("E:/x", destination));
    EXPECT_EQ(destination, "E:\\x\\");
    EXPECT_FALSE(SettleDestination(std::string(300, 'r'), destination));
    // A backslash after a lone lead byte would become its second byte.
    EXPECT_FALSE(SettleDestination("D:\\Fonts\x83", destination));
}

TEST_F(InstallCommandTest, AFailedRunLeavesTheDialogOpen) {
    fake.AddFile("C:\\Package\\b.ttf", "FACE=B\n");
    FontList[1].fileName = "missing.ttf";
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) {
                  Select(dialog, {0, 1});
              }),
              0);
    EXPECT_EQ(fake.messageBoxes.at(0).text, "ファイルmissing.ttfが見つかりません。");
    EXPECT_FALSE(fake.dialogs.front()->ended);
    EXPECT_EQ(ProgressDialog, nullptr);
}

TEST_F(InstallCommandTest, WithoutAProgressDialogNothingIsInstalled) {
    fake.Fail("CreateDialogParamA");
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) { Select(dialog, {0}); }),
              0);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{
                  "コピーの進行状況を表示できないため、インストールを開始できませんでした。"});
    EXPECT_EQ(Count("RegOpenKeyExA " + std::string(kNtKey) + " KEY_READ"), 0);
    EXPECT_FALSE(InstallInProgress());
}

TEST_F(InstallCommandTest, TheMainDialogHoldsItsCommandsWhileARunIsInProgress) {
    fake.AddFile("C:\\Package\\a.ttf", "FACE=A\n" + std::string(5000, 'x'));
    bool sawRun = false;
    fake.onPeekMessage = [&](int count) {
        if (count != 3 || main == nullptr) {
            return;
        }
        sawRun = InstallInProgress();
        fake::FakeDialog& dialog = *fake.dialogs.front();
        const auto selection = dialog.controls[IDC_FONT_LIST].selected;
        for (int id : {win::kIdOk, win::kIdCancel, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_BROWSE}) {
            EXPECT_EQ(fake.SendCommand(main, id), 1) << id;
        }
        EXPECT_FALSE(dialog.ended);
        EXPECT_EQ(dialog.controls[IDC_FONT_LIST].selected, selection);
        EXPECT_EQ(RunInstallCommand(main), 0);
    };
    EXPECT_EQ(Press([](platform::WindowHandle, fake::FakeDialog& dialog) { Select(dialog, {0}); }),
              1);
    EXPECT_TRUE(sawRun);
    EXPECT_EQ(Count("CreateDialogParamA"), 1);
    EXPECT_EQ(Count("SHBrowseForFolderA"), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    // Afterwards the dialog answers again.
    EXPECT_FALSE(InstallInProgress());
    EXPECT_EQ(fake.SendCommand(main, win::kIdCancel), 0);  // the dialog has already returned
}

}  // namespace

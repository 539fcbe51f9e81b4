// The installer's dialogs created for real from its resources, driven through the Win32 seam.
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "catalogue/font_list.h"
#include "resources/resource.h"
#include "win32_test_support.h"

namespace {

INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND dialog, int id) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

TEST(ProgressDialogTest, CanBeCreatedOnceTheDialogControlsAreInitialised) {
    platform::win32::InitDialogControls();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS),
                                     nullptr, IdleDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ClassOf(bar), "msctls_progress32");
    // The range is never set: every position is a percentage of the default 0 to 100.
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
}

// What the main dialog shows right after it opened, read from the real controls.
struct Shown {
    std::string fontsFolder;
    std::string singleName;
    std::vector<std::string> items;
    int selected = -1;
    LRESULT standardChecked = -1;
    LRESULT chosenChecked = -1;
    bool destinationEnabled = true;
    bool browseEnabled = true;
};

Shown shown;
UINT closeMessage = WM_COMMAND;

// Lets the main dialog initialise itself, notes what it shows, then closes it the way the test
// asks: the close button, the close box, or the Esc key.
intptr_t ObservingProc(platform::WindowHandle handle, unsigned message, uintptr_t wParam,
                       intptr_t lParam) {
    const intptr_t result = MainDialogProc(handle, message, wParam, lParam);
    if (message != WM_INITDIALOG) {
        return result;
    }
    HWND dialog = static_cast<HWND>(handle);
    shown = Shown{};
    shown.fontsFolder = TextOf(dialog, IDC_FONTS_FOLDER);
    shown.singleName = TextOf(dialog, IDC_SINGLE_FONT_NAME);
    HWND list = GetDlgItem(dialog, IDC_FONT_LIST);
    if (list != nullptr) {
        const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char item[256] = {};
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
            shown.items.push_back(item);
        }
        shown.selected = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    }
    shown.standardChecked = SendDlgItemMessageA(dialog, IDC_STANDARD_FOLDER, BM_GETCHECK, 0, 0);
    shown.chosenChecked = SendDlgItemMessageA(dialog, IDC_CHOSEN_FOLDER, BM_GETCHECK, 0, 0);
    shown.destinationEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_DESTINATION));
    shown.browseEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE));
    if (closeMessage == WM_KEYDOWN) {
        PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (closeMessage == WM_CLOSE) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return result;
}

class MainDialogTest : public Win32Test {
  protected:
    MainDialogTest() { FontList.clear(); }
    ~MainDialogTest() override { FontList.clear(); }

    intptr_t Open(int templateId) {
        return windows.Get().ui.DialogBoxParam(GetModuleHandleA(nullptr), templateId, nullptr,
                                               ObservingProc, 0);
    }
};

TEST_F(MainDialogTest, TheListDialogShowsEveryFaceNameInFileOrderAndClosesWithTwo) {
    FontList = {{"ソフト表示", "a.ttf"}, {"Zeta", "z.ttf"}, {"Alpha", "b.ttf"}};
    closeMessage = WM_COMMAND;
    EXPECT_EQ(Open(IDD_FONT_LIST), 2);
    EXPECT_EQ(shown.items, (std::vector<std::string>{"ソフト表示", "Zeta", "Alpha"}));
    EXPECT_EQ(shown.selected, 0);
    EXPECT_EQ(shown.standardChecked, BST_CHECKED);
    EXPECT_EQ(shown.chosenChecked, BST_UNCHECKED);
    EXPECT_FALSE(shown.destinationEnabled);
    EXPECT_FALSE(shown.browseEnabled);
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    EXPECT_EQ(
        lstrcmpiA(shown.fontsFolder.c_str(), (std::string(windowsFolder) + "\\Fonts").c_str()), 0)
        << shown.fontsFolder;
}

TEST_F(MainDialogTest, TheSingleFontDialogShowsTheFaceName) {
    FontList = {{"テスト明朝", "m.ttf"}};
    closeMessage = WM_COMMAND;
    EXPECT_EQ(Open(IDD_SINGLE_FONT), 2);
    EXPECT_EQ(shown.singleName, "テスト明朝");
    EXPECT_TRUE(shown.items.empty());
}

TEST_F(MainDialogTest, TheCloseBoxAndTheEscKeyCloseWithTwo) {
    FontList = {{"A", "a.ttf"}, {"B", "b.ttf"}};
    closeMessage = WM_CLOSE;
    EXPECT_EQ(Open(IDD_FONT_LIST), 2);
    closeMessage = WM_KEYDOWN;
    EXPECT_EQ(Open(IDD_FONT_LIST), 2);
}

}  // namespace

// The conflict dialog created for real: each way of closing it gives its answer and stores the
// checkbox, and the message and icon are what the run set up.
#include <string>

#include "engine/conflict_dialog.h"
#include "resources/resource.h"
#include "win32_test_support.h"

namespace {

constexpr UINT kAct = WM_APP + 1;

// How the user answers, once the dialog is up.
struct Play {
    int tickTimes = 0;  // clicks on the checkbox before answering
    UINT message = WM_COMMAND;
    WPARAM wParam = 0;
    bool toFocus = false;  // keys go to the control that has the focus
};

struct Seen {
    std::string message;
    bool questionIcon = false;
    int focusId = -1;
    RECT messageRect = {};
};

Play play;
Seen seen;

intptr_t PlayingProc(platform::WindowHandle handle, unsigned message, uintptr_t wParam,
                     intptr_t lParam) {
    HWND dialog = static_cast<HWND>(handle);
    if (message == kAct) {
        seen.focusId = GetDlgCtrlID(GetFocus());
        for (int i = 0; i < play.tickTimes; ++i) {
            SendDlgItemMessageA(dialog, IDC_SAME_FOR_FOLLOWING, BM_CLICK, 0, 0);
        }
        PostMessageA(play.toFocus ? GetFocus() : dialog, play.message, play.wParam, 0);
        return TRUE;
    }
    const intptr_t result = ConflictDialogProc(handle, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        char text[1024] = {};
        GetDlgItemTextA(dialog, IDC_CONFLICT_MESSAGE, text, sizeof text);
        seen.message = text;
        const LRESULT icon = SendDlgItemMessageA(dialog, IDC_CONFLICT_ICON, STM_GETICON, 0, 0);
        seen.questionIcon =
            icon != 0 && reinterpret_cast<HICON>(icon) == LoadIconA(nullptr, IDI_QUESTION);
        GetWindowRect(GetDlgItem(dialog, IDC_CONFLICT_MESSAGE), &seen.messageRect);
        PostMessageA(dialog, kAct, 0, 0);
    }
    return result;
}

class ConflictDialogTest : public Win32Test {
  protected:
    ConflictDialogTest() {
        SameForFollowing = 0;
        ConflictMessage = "ソフト表示 のファイル「表.ttf」は既に存在します。";
    }
    ~ConflictDialogTest() override { SameForFollowing = 0; }

    intptr_t Ask(const Play& how) {
        play = how;
        seen = Seen{};
        return windows.Get().ui.DialogBoxParam(GetModuleHandleA(nullptr), IDD_CONFLICT, nullptr,
                                               PlayingProc, 0);
    }
};

TEST_F(ConflictDialogTest, ShowsTheMessageWithTheQuestionMarkAndFocusOnOverwrite) {
    EXPECT_EQ(Ask(Play{0, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)}), 0);
    EXPECT_EQ(seen.message, ConflictMessage);
    EXPECT_TRUE(seen.questionIcon);
    EXPECT_EQ(seen.focusId, IDOK);
}

TEST_F(ConflictDialogTest, EachButtonGivesItsAnswerAndStoresTheCheckbox) {
    struct Case {
        int button;
        int ticks;
        intptr_t answer;
        int32_t same;
    };
    const Case cases[] = {
        {IDOK, 0, 0, 0},       {IDC_RENAME, 0, 1, 0}, {IDCANCEL, 0, 2, 0}, {IDOK, 1, 0, 1},
        {IDC_RENAME, 1, 1, 1}, {IDCANCEL, 1, 2, 1},   {IDOK, 2, 0, 0},  // ticked and unticked
                                                                        // again: only the state at
                                                                        // closing counts
    };
    for (const Case& c : cases) {
        SameForFollowing = 7;
        EXPECT_EQ(Ask(Play{c.ticks, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED)}), c.answer)
            << c.button;
        EXPECT_EQ(SameForFollowing, c.same) << c.button << " ticked " << c.ticks;
    }
}

TEST_F(ConflictDialogTest, EnterOverwritesAndEscOrTheCloseBoxCancel) {
    EXPECT_EQ(Ask(Play{0, WM_KEYDOWN, VK_RETURN, true}), 0);
    EXPECT_EQ(Ask(Play{1, WM_KEYDOWN, VK_ESCAPE, true}), 2);
    EXPECT_EQ(SameForFollowing, 1);
    EXPECT_EQ(Ask(Play{0, WM_CLOSE, 0}), 2);
    EXPECT_EQ(SameForFollowing, 0);
}

TEST_F(ConflictDialogTest, TheMessageKeepsItsSizeWhateverItsLength) {
    Ask(Play{0, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)});
    const RECT shortRect = seen.messageRect;
    ConflictMessage.clear();
    for (int i = 0; i < 30; ++i) {
        ConflictMessage += "とても長いフォント名";
    }
    Ask(Play{0, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)});
    EXPECT_EQ(seen.message, ConflictMessage);
    EXPECT_EQ(seen.messageRect.right - seen.messageRect.left, shortRect.right - shortRect.left);
    EXPECT_EQ(seen.messageRect.bottom - seen.messageRect.top, shortRect.bottom - shortRect.top);
    EXPECT_GT(shortRect.right - shortRect.left, 0);
}

}  // namespace

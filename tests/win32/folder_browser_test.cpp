// The shell's folder browser opened for real through the Win32 seam, worked from a thread timer
// that runs inside the browser's own modal loop.
#include <string>
#include <vector>

#include "app/folder_browser.h"
#include "win32_test_support.h"

namespace {

// What the browser showed while it was open, and how the timer answers it.
struct Seen {
    HWND browser = nullptr;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    std::string caption;
    std::vector<std::string> texts;  // every child's text, in creation order
    std::vector<std::string> classes;
    int answer = IDCANCEL;
    std::string waitFor;  // answer only once the folder box names this (Wine selects late)
    std::string folderBox;
    HRESULT multithreadedWhileOpen = S_OK;
    int ticks = 0;
};

Seen seen;
// A browser that has not settled after this many ticks is answered anyway, and the test fails.
constexpr int kMaxTicks = 200;

BOOL CALLBACK CollectChild(HWND child, LPARAM) {
    char text[MAX_PATH] = {};
    char name[64] = {};
    GetWindowTextA(child, text, sizeof text);
    GetClassNameA(child, name, sizeof name);
    seen.texts.push_back(text);
    seen.classes.push_back(name);
    return TRUE;
}

BOOL CALLBACK FindBrowser(HWND window, LPARAM) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::string(name) == "#32770" &&
        GetWindow(window, GW_OWNER) == seen.owner) {
        seen.browser = window;
        return FALSE;
    }
    return TRUE;
}

// Looks for the browser each tick; once it is up, notes what it shows and answers it.
void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
    ++seen.ticks;
    EnumThreadWindows(GetCurrentThreadId(), FindBrowser, 0);
    if (seen.browser == nullptr) {
        return;
    }
    // Wine's browser shows the selected folder's name in an edit box; on Windows there is none
    // without BIF_EDITBOX, and the selection is made before the browser shows.
    HWND folderBox = FindWindowExA(seen.browser, nullptr, "Edit", nullptr);
    char name[MAX_PATH] = {};
    GetWindowTextA(folderBox, name, sizeof name);
    seen.folderBox = name;
    if (folderBox != nullptr && !seen.waitFor.empty() && seen.folderBox != seen.waitFor &&
        seen.ticks < kMaxTicks) {
        return;
    }
    KillTimer(nullptr, timer);
    // The browser runs in a single-threaded apartment, so the thread cannot join the
    // multithreaded one now. (Wine's browser also initialises OLE itself.)
    seen.multithreadedWhileOpen = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(seen.multithreadedWhileOpen)) {
        CoUninitialize();
    }
    seen.ownerEnabled = IsWindowEnabled(seen.owner) != 0;
    char caption[MAX_PATH] = {};
    GetWindowTextA(seen.browser, caption, sizeof caption);
    seen.caption = caption;
    EnumChildWindows(seen.browser, CollectChild, 0);
    PostMessageA(seen.browser, WM_COMMAND, MAKEWPARAM(seen.answer, BN_CLICKED), 0);
}

class FolderBrowserTest : public Win32Test {
  protected:
    FolderBrowserTest()
        : owner(CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10,
                                300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {
        seen = Seen{};
        seen.owner = owner;
    }
    ~FolderBrowserTest() override { DestroyWindow(owner); }

    int Browse(int answer, const char* initialFolder, const std::string& waitFor = "") {
        seen.answer = answer;
        seen.waitFor = waitFor;
        SetTimer(nullptr, 0, 50, AnswerBrowser);
        return BrowseForFolder(owner, initialFolder, buffer, sizeof buffer);
    }

    bool ShowedTitle() const {
        for (const std::string& text : seen.texts) {
            if (text == "フォルダを選択してください") {
                return true;
            }
        }
        return false;
    }

    std::string Describe() const {
        std::string description =
            "caption \"" + seen.caption + "\", folder box \"" + seen.folderBox + "\"";
        for (std::size_t i = 0; i < seen.texts.size(); ++i) {
            description += "\n  " + seen.classes[i] + " \"" + seen.texts[i] + "\"";
        }
        return description;
    }

    HWND owner = nullptr;
    char buffer[MAX_PATH] = "untouched";
};

TEST_F(FolderBrowserTest, OpensOwnedByTheOwnerWithTheTitleAndCancelsWithTwo) {
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(Browse(IDCANCEL, nullptr), 2);
    ASSERT_NE(seen.browser, nullptr) << "no browser owned by the owner window";
    EXPECT_FALSE(seen.ownerEnabled) << "the owner is disabled while the browser is open";
    EXPECT_TRUE(ShowedTitle()) << Describe();
    EXPECT_STREQ(buffer, "untouched") << Describe();
    EXPECT_FALSE(IsWindow(seen.browser));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(seen.multithreadedWhileOpen, RPC_E_CHANGED_MODE);
    // Every initialisation of OLE was undone: the thread is free to choose its apartment again.
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_OK);
    if (SUCCEEDED(after)) {
        CoUninitialize();
    }
}

TEST_F(FolderBrowserTest, StartsOnTheInitialFolderAndReturnsItsPath) {
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const std::string folder = std::string(windowsFolder) + "\\Fonts";
    EXPECT_EQ(Browse(IDOK, folder.c_str(), "Fonts"), 1) << Describe();
    EXPECT_EQ(lstrcmpiA(buffer, folder.c_str()), 0) << buffer << " instead of " << folder;
}

}  // namespace

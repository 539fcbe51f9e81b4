#include "app/folder_browser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_fixture.h"

namespace {

class FolderBrowserTest : public FakeWindowsTest {
  protected:
    // The calls made since the test began that belong to the browser and the shell's allocator.
    std::vector<std::string> ShellCalls() const {
        std::vector<std::string> shell;
        for (const std::string& call : fake.calls) {
            if (call.rfind("SH", 0) == 0 || call.rfind("IMalloc", 0) == 0) {
                shell.push_back(call);
            }
        }
        return shell;
    }

    int owner = 0;
    char buffer[260] = "untouched";
};

TEST_F(FolderBrowserTest, AsksTheShellForANewStyleBrowserWithTheTitleAndTheInitialFolder) {
    const char initial[] = "C:\\Fonts\\表示";
    BrowseForFolder(&owner, initial, buffer, sizeof buffer);
    ASSERT_EQ(fake.browses.size(), 1u);
    const platform::BrowseInfo& info = fake.browses[0].info;
    EXPECT_EQ(info.owner, &owner);
    EXPECT_EQ(info.root, nullptr) << "the browser starts from the desktop";
    EXPECT_EQ(info.displayName, nullptr);
    EXPECT_EQ(fake.browses[0].title, "フォルダを選択してください");
    EXPECT_EQ(info.flags, 0x40u) << "BIF_NEWDIALOGSTYLE and nothing else";
    EXPECT_EQ(info.callback, &BrowseCallback);
    EXPECT_EQ(info.data, reinterpret_cast<intptr_t>(initial));
}

TEST_F(FolderBrowserTest, TheCallbackMovesToTheInitialFolderOnlyWhenOneIsGiven) {
    const char initial[] = "D:\\ソフト";
    BrowseForFolder(&owner, initial, buffer, sizeof buffer);
    BrowseForFolder(&owner, nullptr, buffer, sizeof buffer);
    ASSERT_EQ(fake.browses.size(), 2u);
    EXPECT_EQ(fake.browses[0].selection, initial);
    EXPECT_EQ(fake.browses[1].selection, "") << "no initial folder: the default position";
    // The fake browser also reported a change of selection; the callback sent nothing for it.
    std::vector<std::string> sent;
    for (const std::string& call : fake.calls) {
        if (call.rfind("SendMessageA", 0) == 0) {
            sent.push_back(call);
        }
    }
    EXPECT_EQ(sent, std::vector<std::string>{"SendMessageA 0x466 1 D:\\ソフト"});
}

TEST_F(FolderBrowserTest, TheCallbackAlwaysAnswersZero) {
    const char initial[] = "C:\\x";
    const auto data = reinterpret_cast<intptr_t>(initial);
    int browser = 0;
    EXPECT_EQ(BrowseCallback(&browser, 1 /* BFFM_INITIALIZED */, 0, data), 0);
    EXPECT_EQ(BrowseCallback(&browser, 1, 0, 0), 0);
    EXPECT_EQ(BrowseCallback(&browser, 2 /* BFFM_SELCHANGED */, 0, data), 0);
    EXPECT_EQ(BrowseCallback(&browser, 3 /* BFFM_VALIDATEFAILEDA */, 0, data), 0);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"SendMessageA 0x466 1 C:\\x"})
        << "only BFFM_INITIALIZED with data sends anything";
}

TEST_F(FolderBrowserTest, AChosenFolderIsCopiedAndItsItemListFreedThroughTheShellAllocator) {
    fake.browseChoice = "E:\\フォント\\保存先";
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "E:\\フォント\\保存先");
    EXPECT_EQ(ShellCalls(),
              (std::vector<std::string>{"SHBrowseForFolderA フォルダを選択してください",
                                        "SHGetPathFromIDListA", "SHGetMalloc", "IMalloc::Free",
                                        "IMalloc::Release"}));
    EXPECT_EQ(fake.liveItemLists, 0);
    EXPECT_EQ(fake.liveAllocators, 0);
}

TEST_F(FolderBrowserTest, ThePathIsCopiedOnlyWhenItFitsWithItsTerminator) {
    // A larger buffer than the capacity given, so that a write past the capacity shows.
    char wide[16];
    constexpr std::size_t kCapacity = 8;

    fake.browseChoice = "C:\\abcd";  // 7 bytes: capacity - 1
    std::memset(wide, 'x', sizeof wide);
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, wide, kCapacity), 1);
    EXPECT_EQ(std::string(wide, sizeof wide), std::string("C:\\abcd") + '\0' + "xxxxxxxx");

    fake.browseChoice = "C:\\abcde";  // 8 bytes: no room for the terminator
    std::memset(wide, 'x', sizeof wide);
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, wide, kCapacity), 1);
    EXPECT_EQ(std::string(wide, sizeof wide), std::string(16, 'x')) << "buffer left untouched";
    EXPECT_EQ(fake.liveItemLists, 0) << "the item list is freed either way";
    EXPECT_EQ(fake.liveAllocators, 0);
}

TEST_F(FolderBrowserTest, CancellingReturnsTwoAndFreesNothing) {
    fake.browseChoice.reset();
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(ShellCalls(),
              std::vector<std::string>{"SHBrowseForFolderA フォルダを選択してください"});
}

TEST_F(FolderBrowserTest, AnItemWithoutAFileSystemPathCountsAsCancelledAndIsStillFreed) {
    fake.browseChoice = "";  // such as the Control Panel
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(fake.liveItemLists, 0);
    EXPECT_EQ(fake.liveAllocators, 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(FolderBrowserTest, WithoutTheShellAllocatorTheFolderIsStillReturned) {
    fake.browseChoice = "C:\\Dest";
    fake.Fail("SHGetMalloc");
    EXPECT_EQ(BrowseForFolder(&owner, nullptr, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "C:\\Dest");
    EXPECT_EQ(fake.liveAllocators, 0) << "nothing to release";
    EXPECT_EQ(fake.liveItemLists, 1) << "nothing to free it with";
}

}  // namespace

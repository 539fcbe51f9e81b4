#include "services/file_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "fake_fixture.h"
#include "platform/win_constants.h"
#include "services/progress_dialog.h"

namespace {

const int kProgressBar = 1010;
const int kStatusLine = 1014;

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class CopyTest : public FakeWindowsTest {
  protected:
    CopyTest() {
        dialog = fake.CreateDialogParam(nullptr, 131, nullptr, ProgressDialogProc, 0);
        ProgressDialog = dialog;
        fake.AddFolder("C:\\Dest");
        fake.calls.clear();
    }
    ~CopyTest() override {
        ProgressDialog = nullptr;
        CancelRequested = 0;
    }

    fake::FakeControl& Bar() { return fake.dialogs.front()->controls[kProgressBar]; }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(fake.calls.begin(), fake.calls.end(), call));
    }
    std::ptrdiff_t IndexOf(const std::string& call) const {
        auto found = std::find(fake.calls.begin(), fake.calls.end(), call);
        return found == fake.calls.end() ? -1 : found - fake.calls.begin();
    }
    // Deletions of path of every kind: through the handle that created it, through a handle
    // opened to delete it, by its path.
    int Deletions(const std::string& path) const {
        return Count("SetFileInformationByHandle FileDispositionInfo " + path) +
               Count("CreateFileA DELETE " + path) + Count("DeleteFileA " + path);
    }
    int Copy(const std::string& source, const std::string& destination, int32_t start = 0,
             int32_t end = 100) {
        return CopyFileWithProgress(dialog, source, destination, start, end, errorText);
    }

    platform::WindowHandle dialog = nullptr;
    std::string errorText = "caller's text";
};

// --- the dialog and the pump ------------------------------------------------------------------

TEST_F(CopyTest, TheDialogOnlyRaisesAndClearsTheCancelFlag) {
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(ProgressDialogProc(dialog, win::kWmCommand, 1, 0), 1);
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(ProgressDialogProc(dialog, win::kWmCommand, (0x0000u << 16) | 2u, 0), 1);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(ProgressDialogProc(dialog, win::kWmCommand, 1, 0), 1);
    EXPECT_EQ(CancelRequested, 1);  // nothing but the dialog's start clears it
    EXPECT_EQ(ProgressDialogProc(dialog, 0x0010 /* WM_CLOSE */, 0, 0), 0);
    EXPECT_EQ(ProgressDialogProc(dialog, 0x0200, 0, 0), 0);
    EXPECT_FALSE(fake.dialogs.front()->destroyed);
    EXPECT_FALSE(fake.dialogs.front()->ended);

    // A new dialog starts uncancelled.
    fake.CreateDialogParam(nullptr, 131, nullptr, ProgressDialogProc, 0);
    EXPECT_EQ(CancelRequested, 0);
}

TEST_F(CopyTest, PumpOneMessageTakesAtMostOneMessage) {
    PumpOneMessage();
    EXPECT_EQ(fake.calls, std::vector<std::string>{"PeekMessageA"});

    fake.PostCommand(dialog, 1);
    fake.PostCommand(dialog, 2);
    fake.calls.clear();
    PumpOneMessage();
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"PeekMessageA", "IsDialogMessageA"}));
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(fake.messageQueue.size(), 1u);
    PumpOneMessage();
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_TRUE(fake.messageQueue.empty());
}

TEST_F(CopyTest, PumpOneMessageRoutesOtherWindowsPastTheDialog) {
    void* other = reinterpret_cast<void*>(0x999);
    fake.PostCommand(other, 2);
    PumpOneMessage();
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"PeekMessageA", "IsDialogMessageA",
                                                    "TranslateMessage", "DispatchMessageA"}));
    EXPECT_EQ(CancelRequested, 0);

    // Without a progress dialog every message is dispatched directly.
    ProgressDialog = nullptr;
    fake.PostCommand(dialog, 2);
    fake.calls.clear();
    PumpOneMessage();
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"PeekMessageA", "TranslateMessage", "DispatchMessageA"}));
}

TEST_F(CopyTest, EscInTheDialogIsItsCancelButton) {
    fake.PostKey(dialog, win::kVkEscape);
    PumpOneMessage();
    EXPECT_EQ(CancelRequested, 1);
}

TEST_F(CopyTest, SetProgressTextWritesTheStatusLine) {
    SetProgressText(dialog, "情報を取得中・・・");
    EXPECT_EQ(fake.dialogs.front()->controls[kStatusLine].text, "情報を取得中・・・");
}

// --- copying ----------------------------------------------------------------------------------

TEST_F(CopyTest, CopiesByteForByteWithTwoPumpsAndOneBarStepPerFullChunk) {
    const std::string data = Bytes(5 * 1024 + 300);
    fake.AddFile("C:\\Package\\a.ttf", data);
    ASSERT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf"), 1);
    EXPECT_EQ(fake.Contents("C:\\Dest\\a.ttf"), data);
    EXPECT_EQ(errorText, "caller's text");
    // 6 chunks in all; the last, partial one leaves the bar where the fifth put it.
    EXPECT_EQ(Bar().positions, (std::vector<intptr_t>{16, 33, 50, 66, 83}));
    // One pump before the first read, then one after each of the 6 reads and one after each of
    // the 5 full chunks.
    EXPECT_EQ(Count("PeekMessageA"), 1 + 6 + 5);
    EXPECT_EQ(Count("fclose C:\\Package\\a.ttf"), 1);
    EXPECT_EQ(Count("fclose C:\\Dest\\a.ttf"), 1);
    EXPECT_EQ(Deletions("C:\\Dest\\a.ttf"), 0);
}

TEST_F(CopyTest, BarPositionsAtTheEdgesOfAFile) {
    struct Case {
        std::size_t size;
        int32_t start, end;
        std::vector<intptr_t> positions;
    };
    const Case cases[] = {
        {0, 0, 100, {}},
        {1, 0, 100, {}},
        {1023, 0, 100, {}},
        {1024, 10, 30, {30}},
        {1500, 10, 30, {20}},
        {2048, 10, 30, {20, 30}},
        {std::size_t{3} * 1024, 50, 60, {53, 56, 60}},
    };
    for (const Case& c : cases) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* bar = fresh.progress;
        windows.AddFile("C:\\src.ttf", Bytes(c.size));
        std::string text;
        ASSERT_EQ(CopyFileWithProgress(bar, "C:\\src.ttf", "C:\\dst.ttf", c.start, c.end, text), 1)
            << c.size;
        EXPECT_EQ(windows.dialogs.front()->controls[kProgressBar].positions, c.positions) << c.size;
        EXPECT_TRUE(windows.FileExists("C:\\dst.ttf"));
        EXPECT_EQ(windows.Contents("C:\\dst.ttf").size(), c.size);
    }
}

TEST_F(CopyTest, NothingMayLieAtTheDestinationBeforehand) {
    // The copy creates its file: what lies there already, a file or a folder, is neither written
    // through nor deleted.
    fake.AddFile("C:\\Dest\\a.ttf", "someone's");
    fake.AddFolder("C:\\Dest\\b.ttf");
    fake.AddFile("C:\\Package\\a.ttf", "new");
    for (const std::string target : {"C:\\Dest\\a.ttf", "C:\\Dest\\b.ttf"}) {
        EXPECT_EQ(Copy("C:\\Package\\a.ttf", target), 0);
        EXPECT_EQ(errorText, "ファイル「" + target + "」のオープンに失敗しました。");
        EXPECT_EQ(Deletions(target), 0);
    }
    EXPECT_EQ(fake.Contents("C:\\Dest\\a.ttf"), "someone's");
    EXPECT_TRUE(fake.FolderExists("C:\\Dest\\b.ttf"));
}

TEST_F(CopyTest, ARelativeSourceResolvesAgainstTheCurrentFolder) {
    fake.currentDirectory = "C:\\Package";
    fake.AddFile("C:\\Package\\rel.ttf", Bytes(10));
    ASSERT_EQ(Copy("rel.ttf", "C:\\Dest\\rel.ttf"), 1);
    EXPECT_EQ(fake.Contents("C:\\Dest\\rel.ttf"), Bytes(10));
}

TEST_F(CopyTest, CancelWaitingBeforeTheCopyStopsItBeforeAnythingIsRead) {
    fake.AddFile("C:\\Package\\a.ttf", Bytes(4096));
    fake.PostCommand(dialog, win::kIdCancel);
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf"), 0);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(errorText, "caller's text");
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\a.ttf"));
    EXPECT_TRUE(Bar().positions.empty());
    EXPECT_EQ(Count("PeekMessageA"), 1);
    // The partial destination goes through the handle that created it, before that handle
    // closes, and by no other way.
    const std::ptrdiff_t marked =
        IndexOf("SetFileInformationByHandle FileDispositionInfo C:\\Dest\\a.ttf");
    ASSERT_GE(marked, 0);
    EXPECT_LT(marked, IndexOf("fclose C:\\Dest\\a.ttf"));
    EXPECT_EQ(Deletions("C:\\Dest\\a.ttf"), 1);
}

TEST_F(CopyTest, CancelIsSeenAtEachPumpOfTheCopy) {
    // 3 full chunks and a partial one: pumps 1 (start), 2, 3, 4, ... alternate after-read and
    // after-bar; cancelling at any of them stops the copy and removes the partial file.
    for (int pump = 1; pump <= 8; ++pump) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* bar = fresh.progress;
        windows.AddFile("C:\\src.ttf", Bytes(3 * 1024 + 10));
        windows.onPeekMessage = [&](int count) {
            if (count == pump) {
                windows.PostCommand(bar, win::kIdCancel);
            }
        };
        std::string text = "kept";
        EXPECT_EQ(CopyFileWithProgress(bar, "C:\\src.ttf", "C:\\dst.ttf", 0, 90, text), 0)
            << "pump " << pump;
        EXPECT_EQ(text, "kept");
        EXPECT_FALSE(windows.FileExists("C:\\dst.ttf")) << "pump " << pump;
        EXPECT_EQ(windows.peekCount, pump) << "no pump after the cancel";
        // Bar steps happen after pumps 2, 4, 6: one per full chunk read before the cancel.
        EXPECT_EQ(windows.dialogs.front()->controls[kProgressBar].positions.size(),
                  static_cast<std::size_t>((pump - 1) / 2))
            << "pump " << pump;
    }
}

TEST_F(CopyTest, EscDuringTheCopyCancelsIt) {
    fake.AddFile("C:\\Package\\a.ttf", Bytes(8192));
    fake.onPeekMessage = [&](int count) {
        if (count == 4) {
            fake.PostKey(dialog, win::kVkEscape);
        }
    };
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf"), 0);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\a.ttf"));
}

TEST_F(CopyTest, AMissingSourceCreatesNoDestination) {
    EXPECT_EQ(Copy("C:\\Package\\表示.ttf", "C:\\Dest\\表示.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Package\\表示.ttf」のオープンに失敗しました。");
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\表示.ttf"));
    EXPECT_EQ(Count("CreateFileA CREATE_NEW C:\\Dest\\表示.ttf"), 0);
    EXPECT_EQ(Deletions("C:\\Dest\\表示.ttf"), 0);
    EXPECT_EQ(CancelRequested, 0);
}

TEST_F(CopyTest, ADestinationThatCannotBeCreatedIsNotDeleted) {
    fake.AddFile("C:\\Package\\a.ttf", Bytes(10));
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Missing\\ソ.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Missing\\ソ.ttf」のオープンに失敗しました。");
    EXPECT_EQ(Count("fclose C:\\Package\\a.ttf"), 1);
    EXPECT_EQ(Deletions("C:\\Missing\\ソ.ttf"), 0);
    EXPECT_EQ(Count("PeekMessageA"), 0);
}

TEST_F(CopyTest, AReadErrorNamesTheSourceAndRemovesThePartialFile) {
    fake.AddFile("C:\\Package\\ソ.ttf", Bytes(4096));
    fake.FailStreamReadAfter("C:\\Package\\ソ.ttf", 2048 + 100);
    EXPECT_EQ(Copy("C:\\Package\\ソ.ttf", "C:\\Dest\\ソ.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Package\\ソ.ttf」の読み込みに失敗しました。");
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\ソ.ttf"));
    EXPECT_EQ(Bar().positions.size(), 2u);
    EXPECT_EQ(Count("fclose C:\\Package\\ソ.ttf"), 1);
    EXPECT_EQ(Count("fclose C:\\Dest\\ソ.ttf"), 1);
}

TEST_F(CopyTest, AShortWriteNamesTheDestinationAndRemovesThePartialFile) {
    fake.AddFile("C:\\Package\\a.ttf", Bytes(4096));
    fake.LimitWrites("C:\\Dest\\a.ttf", 1500);
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Dest\\a.ttf」の書き込みに失敗しました。");
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\a.ttf"));
    EXPECT_EQ(Bar().positions.size(), 1u);
}

TEST_F(CopyTest, AFailureToWriteTheLastBytesOnClosingIsAFailedWrite) {
    fake.AddFile("C:\\Package\\a.ttf", Bytes(3000));
    fake.Fail("fflush", "C:\\Dest\\a.ttf");
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Dest\\a.ttf」の書き込みに失敗しました。");
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\a.ttf"));
    EXPECT_EQ(Count("SetFileInformationByHandle FileDispositionInfo C:\\Dest\\a.ttf"), 1);

    // A close that fails once all was written: the handle is gone, so the file is opened again
    // to be deleted, and only if it is still the one created.
    fake.Fail("fclose", "C:\\Dest\\c.ttf");
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\c.ttf"), 0);
    EXPECT_EQ(errorText, "ファイル「C:\\Dest\\c.ttf」の書き込みに失敗しました。");
    EXPECT_FALSE(fake.FileExists("C:\\Dest\\c.ttf"));
    EXPECT_EQ(Count("CreateFileA DELETE C:\\Dest\\c.ttf"), 1);

    // A source that fails to close changes nothing: everything was read.
    fake.Fail("fclose", "C:\\Package\\a.ttf");
    errorText = "caller's text";
    EXPECT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\b.ttf"), 1);
    EXPECT_EQ(errorText, "caller's text");
}

TEST_F(CopyTest, AnUnmeasuredFileKeepsTheBarInsideItsSlice) {
    // The size query fails, yet the file reads: the copy goes on, the bar waits at the start.
    fake.AddFile("C:\\Package\\a.ttf", Bytes(3000));
    fake.Fail("CreateFileA", "C:\\Package\\a.ttf");
    ASSERT_EQ(Copy("C:\\Package\\a.ttf", "C:\\Dest\\a.ttf", 40, 70), 1);
    EXPECT_EQ(Bar().positions, (std::vector<intptr_t>{40, 40}));
    EXPECT_EQ(fake.Contents("C:\\Dest\\a.ttf"), Bytes(3000));
}

TEST_F(CopyTest, AFileThatGrewAfterMeasuringStopsTheBarAtTheEndOfItsSlice) {
    FreshWindows fresh;
    fake::FakePlatform& windows = fresh.windows;
    void* bar = fresh.progress;
    windows.AddFile("C:\\grown.ttf", Bytes(std::size_t{4} * 1024));
    windows.ReportSize("C:\\grown.ttf", 1024);
    std::string text;
    ASSERT_EQ(CopyFileWithProgress(bar, "C:\\grown.ttf", "C:\\out.ttf", 10, 20, text), 1);
    EXPECT_EQ(windows.dialogs.front()->controls[kProgressBar].positions,
              (std::vector<intptr_t>{20, 20, 20, 20}));
}

TEST_F(CopyTest, PositionsNeverLeaveTheSliceNorOverflow) {
    EXPECT_EQ(CopyProgressPosition(10, 30, 1, 2), 20);
    EXPECT_EQ(CopyProgressPosition(10, 30, 1, 3), 16);  // truncating division
    EXPECT_EQ(CopyProgressPosition(10, 30, 5, 0), 10);
    EXPECT_EQ(CopyProgressPosition(10, 30, 9, 3), 30);
    EXPECT_EQ(CopyProgressPosition(30, 10, 1, 2), 20);
    EXPECT_EQ(CopyProgressPosition(0, INT_MAX, 3, 4), 1610612735);
    EXPECT_EQ(CopyProgressPosition(0, 100, 4194303, 4194304), 99);
}

}  // namespace

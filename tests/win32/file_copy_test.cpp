// A real copy through a real progress dialog: the bar, the pump and Cancel as Win32 runs them.
#include <cstdio>
#include <string>

#include "resources/resource.h"
#include "services/file_copy.h"
#include "services/progress_dialog.h"
#include "win32_test_support.h"

namespace {

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
    }
    return bytes;
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    static_cast<void>(std::fclose(file));
    return bytes;
}

class ProgressCopyTest : public Win32Test {
  protected:
    ProgressCopyTest() {
        platform::win32::InitDialogControls();
        dialog = static_cast<HWND>(platform::Current().ui.CreateDialogParam(
            GetModuleHandleA(nullptr), IDD_PROGRESS, nullptr, ProgressDialogProc, 0));
        ProgressDialog = dialog;
        source = scratch / "ソース表示.ttf";
        destination = scratch / "コピー先.ttf";
    }
    ~ProgressCopyTest() override {
        ProgressDialog = nullptr;
        if (dialog != nullptr) {
            platform::Current().ui.DestroyWindow(dialog);
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    LRESULT BarPosition() const {
        return SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0);
    }

    HWND dialog = nullptr;
    std::string source;
    std::string destination;
    std::string errorText = "caller's text";
};

TEST_F(ProgressCopyTest, AMultiChunkFileIsCopiedWhole) {
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CancelRequested, 0);
    const std::string data = Bytes(10 * 1024 + 500);
    WriteFile(source, data);
    ASSERT_EQ(CopyFileWithProgress(dialog, source, destination, 10, 60, errorText), 1);
    EXPECT_EQ(ReadAll(destination), data);
    // 11 chunks; the partial last one leaves the bar where the tenth put it.
    EXPECT_EQ(BarPosition(), 10 + 50 * 10 / 11);
    EXPECT_EQ(errorText, "caller's text");

    // The copy never opens what lies at its target.
    WriteFile(source, Bytes(8 * 1024));
    EXPECT_EQ(CopyFileWithProgress(dialog, source, destination, 60, 90, errorText), 0);
    EXPECT_EQ(errorText, "ファイル「" + destination + "」のオープンに失敗しました。");
    EXPECT_EQ(ReadAll(destination), data);

    const std::string second = scratch / "二つ目.ttf";
    ASSERT_EQ(CopyFileWithProgress(dialog, source, second, 60, 90, errorText), 1);
    EXPECT_EQ(BarPosition(), 90);
    EXPECT_EQ(ReadAll(second), Bytes(8 * 1024));
}

TEST_F(ProgressCopyTest, ACancelWaitingInTheQueueStopsTheCopyAndLeavesNoFile) {
    ASSERT_NE(dialog, nullptr);
    WriteFile(source, Bytes(64 * 1024));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(CopyFileWithProgress(dialog, source, destination, 0, 100, errorText), 0);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(errorText, "caller's text");
    EXPECT_EQ(GetFileAttributesA(destination.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(BarPosition(), 0);
    EXPECT_TRUE(IsWindow(dialog));  // the dialog stays until its owner destroys it
}

TEST_F(ProgressCopyTest, CancelTakenMidCopyAfterOneMessagePerPump) {
    ASSERT_NE(dialog, nullptr);
    WriteFile(source, Bytes(64 * 1024));
    // Each pump takes one message: the Cancel behind six others is seen at the seventh pump,
    // after three chunks have moved the bar.
    for (int i = 0; i < 6; ++i) {
        PostMessageA(dialog, WM_NULL, 0, 0);
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(CopyFileWithProgress(dialog, source, destination, 0, 64, errorText), 0);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(BarPosition(), 3);
    EXPECT_EQ(GetFileAttributesA(destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProgressCopyTest, EscOnTheCancelButtonCancels) {
    ASSERT_NE(dialog, nullptr);
    WriteFile(source, Bytes(4096));
    PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(CopyFileWithProgress(dialog, source, destination, 0, 100, errorText), 0);
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(GetFileAttributesA(destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProgressCopyTest, OpenFailuresNameThePath) {
    EXPECT_EQ(CopyFileWithProgress(dialog, source, destination, 0, 100, errorText), 0);
    EXPECT_EQ(errorText, "ファイル「" + source + "」のオープンに失敗しました。");
    EXPECT_EQ(GetFileAttributesA(destination.c_str()), INVALID_FILE_ATTRIBUTES);

    WriteFile(source, Bytes(100));
    const std::string nowhere = scratch / "無い\\a.ttf";
    EXPECT_EQ(CopyFileWithProgress(dialog, source, nowhere, 0, 100, errorText), 0);
    EXPECT_EQ(errorText, "ファイル「" + nowhere + "」のオープンに失敗しました。");
}

TEST_F(ProgressCopyTest, AnEmptyFileIsCopiedAndTheBarStays) {
    WriteFile(source, "");
    ASSERT_EQ(CopyFileWithProgress(dialog, source, destination, 20, 40, errorText), 1);
    EXPECT_EQ(ReadAll(destination), "");
    EXPECT_EQ(BarPosition(), 0);
}

}  // namespace

// Free space through the extended call and through the older cluster query.
#include "platform/win32/windows_api.h"

#include "services/folders.h"
#include "win32_test_support.h"

namespace {

// Win32 without GetDiskFreeSpaceExA, as on the first Windows 95.
class DisksWithoutExtendedCall final : public platform::win32::Win32Disks {
  public:
    bool HasGetDiskFreeSpaceEx() override { return false; }
};

// The real Win32 seam, but for the missing extended call, while it lives.
class OldWindows {
  public:
    OldWindows()
        : platform_{system_, files_, shell_, disks_, registry_, gdi_, messages_, ui_},
          scope_(platform_) {}

  private:
    platform::win32::Win32SystemInfo system_;
    platform::win32::Win32Files files_;
    platform::win32::Win32Shell shell_;
    DisksWithoutExtendedCall disks_;
    platform::win32::Win32Registry registry_;
    platform::win32::Win32Gdi gdi_;
    platform::win32::Win32Messages messages_;
    platform::win32::Win32Ui ui_;
    platform::Platform platform_;
    platform::ScopedPlatform scope_;
};

using FreeSpaceTest = Win32Test;

TEST_F(FreeSpaceTest, TheExtendedCallGivesTheFreeBytesOfTheFolder) {
    uint64_t freeBytes = 0;
    ASSERT_NE(GetFreeDiskSpace(scratch.Path() + "\\", freeBytes), 0);
    EXPECT_GT(freeBytes, 0u);
    uint64_t untouched = 12345;
    EXPECT_EQ(GetFreeDiskSpace(scratch / "missing\\", untouched), 0);
    EXPECT_EQ(untouched, 12345u);
}

TEST_F(FreeSpaceTest, TheClusterQueryAgreesWithTheExtendedCall) {
    uint64_t extended = 0;
    ASSERT_NE(GetFreeDiskSpace("C:\\windows\\", extended), 0);

    OldWindows old;

    uint64_t clusters = 0;
    ASSERT_NE(GetFreeDiskSpace("C:\\windows\\", clusters), 0);
    // Both describe the same disk; allow for what other programs write meanwhile.
    const uint64_t difference = extended > clusters ? extended - clusters : clusters - extended;
    EXPECT_LE(difference, extended / 100 + uint64_t{64} * 1024 * 1024)
        << "extended " << extended << ", clusters " << clusters;
}

TEST_F(FreeSpaceTest, AnUnreachableShareLeavesNoConnectionBehind) {
    OldWindows old;

    char firstFree = 0;
    for (char letter = 'C'; letter <= 'Z' && firstFree == 0; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) {
            firstFree = letter;
        }
    }
    ASSERT_NE(firstFree, 0);

    uint64_t freeBytes = 777;
    EXPECT_EQ(GetFreeDiskSpace("\\\\no-such-server\\share\\fonts\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, 777u);
    const std::string root = std::string(1, firstFree) + ":\\";
    EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace

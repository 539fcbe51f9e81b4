#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "services/folders.h"

namespace {

class FreeSpaceTest : public FakeWindowsTest {
  protected:
    static constexpr uint64_t kUntouched = 0xDEADBEEF;
    uint64_t freeBytes = kUntouched;

    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& call : fake.calls) {
            if (call.rfind(prefix, 0) == 0) {
                out.push_back(call);
            }
        }
        return out;
    }
};

TEST_F(FreeSpaceTest, UsesTheExtendedCallWhereItExists) {
    fake.freeBytesEx["D:\\Fonts\\"] = 7'000'000'000ULL;
    EXPECT_NE(GetFreeDiskSpace("D:\\Fonts\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, 7'000'000'000ULL);
    EXPECT_TRUE(CallsStartingWith("GetDiskFreeSpaceA").empty());
}

TEST_F(FreeSpaceTest, TheExtendedCallsFailureIsPassedOnWithTheValueUntouched) {
    EXPECT_EQ(GetFreeDiskSpace("Q:\\x\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, kUntouched);
}

TEST_F(FreeSpaceTest, LooksTheExtendedCallUpOnEveryCall) {
    fake.freeBytesEx["C:\\"] = 1;
    GetFreeDiskSpace("C:\\", freeBytes);
    GetFreeDiskSpace("C:\\", freeBytes);
    EXPECT_EQ(CallsStartingWith("GetProcAddress").size(), 2u);
}

TEST_F(FreeSpaceTest, WithoutTheExtendedCallAsksTheDrivesRootIn64Bits) {
    fake.hasFreeSpaceEx = false;
    // 64 * 4096 * 0xFFFFFFFF overflows 32 bits many times over.
    fake.geometries["D:\\"] = platform::DiskGeometry{64, 4096, 0xFFFFFFFF, 0xFFFFFFFF};
    EXPECT_NE(GetFreeDiskSpace("D:\\Fonts\\Sub\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, 64ULL * 4096ULL * 0xFFFFFFFFULL);
    EXPECT_EQ(CallsStartingWith("GetDiskFreeSpaceA"),
              (std::vector<std::string>{"GetDiskFreeSpaceA D:\\"}));
}

TEST_F(FreeSpaceTest, WithoutTheExtendedCallAPathWithoutDriveAsksTheCurrentRoot) {
    fake.hasFreeSpaceEx = false;
    fake.geometries["\\"] = platform::DiskGeometry{1, 512, 10, 20};
    EXPECT_NE(GetFreeDiskSpace("fonts\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, 5120u);
    EXPECT_EQ(CallsStartingWith("GetDiskFreeSpaceA"),
              (std::vector<std::string>{"GetDiskFreeSpaceA \\"}));
}

TEST_F(FreeSpaceTest, WithoutTheExtendedCallAFailedQueryLeavesTheValueUntouched) {
    fake.hasFreeSpaceEx = false;
    EXPECT_EQ(GetFreeDiskSpace("E:\\Fonts\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, kUntouched);
}

TEST_F(FreeSpaceTest, AShareIsAskedThroughTheFirstFreeLetterFromC) {
    fake.hasFreeSpaceEx = false;
    fake.usedDriveLetters = {'C', 'D', 'F'};
    EXPECT_NE(GetFreeDiskSpace("\\\\server\\share\\fonts\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, 16ULL * 512 * 4000);
    EXPECT_EQ(CallsStartingWith("GetDriveTypeA"),
              (std::vector<std::string>{"GetDriveTypeA C:\\", "GetDriveTypeA D:\\",
                                        "GetDriveTypeA E:\\"}));
    EXPECT_EQ(CallsStartingWith("WNet"),
              (std::vector<std::string>{"WNetAddConnectionA \\\\server\\share\\fonts\\ E:",
                                        "WNetCancelConnectionA E:"}));
    EXPECT_EQ(CallsStartingWith("GetDiskFreeSpaceA"),
              (std::vector<std::string>{"GetDiskFreeSpaceA E:\\"}));
    EXPECT_TRUE(fake.connections.empty());
}

TEST_F(FreeSpaceTest, AShareConnectionIsCancelledEvenWhenTheQueryFails) {
    fake.hasFreeSpaceEx = false;
    fake.Fail("GetDiskFreeSpaceA");
    EXPECT_EQ(GetFreeDiskSpace("\\\\server\\share\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, kUntouched);
    EXPECT_EQ(CallsStartingWith("WNetCancelConnectionA"),
              (std::vector<std::string>{"WNetCancelConnectionA D:"}));
    EXPECT_TRUE(fake.connections.empty());
}

TEST_F(FreeSpaceTest, AShareWithEveryLetterInUseConnectsNothing) {
    fake.hasFreeSpaceEx = false;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        fake.usedDriveLetters.insert(letter);
    }
    EXPECT_EQ(GetFreeDiskSpace("\\\\server\\share\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, kUntouched);
    EXPECT_EQ(CallsStartingWith("GetDriveTypeA").size(), 24u);
    EXPECT_TRUE(CallsStartingWith("WNet").empty());
    EXPECT_TRUE(CallsStartingWith("GetDiskFreeSpaceA").empty());
}

TEST_F(FreeSpaceTest, AShareThatCannotBeConnectedFailsWithoutAQuery) {
    fake.hasFreeSpaceEx = false;
    fake.Fail("WNetAddConnectionA");
    EXPECT_EQ(GetFreeDiskSpace("\\\\server\\share\\", freeBytes), 0);
    EXPECT_EQ(freeBytes, kUntouched);
    EXPECT_TRUE(CallsStartingWith("GetDiskFreeSpaceA").empty());
    EXPECT_TRUE(CallsStartingWith("WNetCancelConnectionA").empty());
}

}  // namespace

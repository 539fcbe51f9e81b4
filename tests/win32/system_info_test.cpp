#include "platform/win32/windows_api.h"

#include <cstring>

#include "common/cp932.h"
#include "platform/fake/fake_platform.h"
#include "win32_test_support.h"

namespace {

using SystemInfoTest = Win32Test;

TEST_F(SystemInfoTest, TheAnsiCodePageIs932AndItsLeadBytesAreOurs) {
    ASSERT_EQ(GetACP(), 932u) << "run under LC_ALL=ja_JP.UTF-8";
    const std::array<bool, 256> system = platform::win32::SystemLeadBytes();
    const std::array<bool, 256> ours = cp932::DefaultLeadBytes();
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(system[b], ours[b]) << "byte 0x" << std::hex << b;
    }
}

TEST_F(SystemInfoTest, TheVersionQueryGivesTheNtPlatform) {
    platform::OsVersion version;
    ASSERT_TRUE(windows.Get().system.GetVersionEx(version));
    EXPECT_EQ(version.platformId, 2u);
    EXPECT_GE(version.majorVersion, 5u);
}

TEST_F(SystemInfoTest, AModulePathThatDoesNotFitIsCutAsTheFakeAssumes) {
    char full[MAX_PATH] = {};
    const uint32_t length = windows.Get().system.GetModuleFileName(nullptr, full, MAX_PATH);
    ASSERT_GT(length, 10u);
    ASSERT_LT(length, static_cast<uint32_t>(MAX_PATH));
    EXPECT_EQ(std::strlen(full), length);

    char real[8];
    std::memset(real, 'x', sizeof(real));
    const uint32_t realLength = windows.Get().system.GetModuleFileName(nullptr, real, 8);

    fake::FakePlatform fake;
    fake.modulePath = full;
    char faked[8];
    std::memset(faked, 'x', sizeof(faked));
    const uint32_t fakedLength = fake.GetModuleFileName(nullptr, faked, 8);

    EXPECT_EQ(realLength, fakedLength);
    EXPECT_EQ(std::string(real, 7), std::string(faked, 7));
    EXPECT_EQ(real[7], faked[7]) << "last byte of a cut path";
}

}  // namespace

#include "app/os_class.h"

#include <gtest/gtest.h>

#include "process/globals.h"

namespace {

struct Release {
    uint32_t platform, major, minor;
    int32_t expected;
};

class ClassifyOsTest : public ::testing::TestWithParam<Release> {};

TEST_P(ClassifyOsTest, GivesTheClassOfTheRelease) {
    const Release& r = GetParam();
    EXPECT_EQ(ClassifyOs(r.platform, r.major, r.minor), r.expected)
        << "platform " << r.platform << ", version " << r.major << "." << r.minor;
}

INSTANTIATE_TEST_SUITE_P(
    KnownAndUnknownReleases, ClassifyOsTest,
    ::testing::Values(Release{1, 4, 0, OsWin95}, Release{1, 4, 10, OsWin98},
                      Release{1, 4, 90, OsWinMe}, Release{1, 4, 20, OsUnknown},
                      Release{1, 4, 1, OsUnknown}, Release{1, 5, 0, OsUnknown},
                      Release{1, 3, 10, OsUnknown}, Release{2, 4, 0, OsWinNT4},
                      Release{2, 4, 99, OsWinNT4}, Release{2, 5, 0, OsWin2000},
                      Release{2, 5, 1, OsWinXP}, Release{2, 5, 2, OsWinXP},
                      Release{2, 6, 0, OsVistaOrLater}, Release{2, 6, 1, OsVistaOrLater},
                      // 8, 8.1 and 10/11 as the manifest's compatibility section lets them answer.
                      Release{2, 6, 2, OsVistaOrLater}, Release{2, 6, 3, OsVistaOrLater},
                      Release{2, 10, 0, OsVistaOrLater}, Release{2, 3, 51, OsUnknown},
                      Release{2, 0xFFFFFFFF, 0, OsVistaOrLater}, Release{0, 3, 10, OsUnknown},
                      Release{0, 4, 0, OsUnknown}, Release{3, 6, 1, OsUnknown}));

}  // namespace

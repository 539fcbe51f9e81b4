// Making a typed folder absolute, and the current folder it depends on: real Win32 against the
// fake, so the unit tests of the install command rest on what Windows does.
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "win32_test_support.h"

namespace {

TEST_F(Win32Test, GetFullPathNameResolvesAsTheFakeDoes) {
    const std::string base = scratch / "作業";
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    ASSERT_TRUE(windows.Get().files.SetCurrentDirectory(base));

    fake::FakePlatform model;
    model.AddFolder(base);
    ASSERT_TRUE(model.SetCurrentDirectory(base));

    const std::string drive = base.substr(0, 2);
    const std::vector<std::string> typed = {
        "out\\fonts", "..\\up", "sub\\",    "表\\ソ",
        ".\\x",       "a/b",    "\\rooted", drive + "\\abs\\..\\b",
    };
    for (const std::string& path : typed) {
        std::string real;
        std::string modelled;
        ASSERT_TRUE(windows.Get().files.GetFullPathName(path, real)) << path;
        ASSERT_TRUE(model.GetFullPathName(path, modelled)) << path;
        EXPECT_EQ(modelled, real) << path;
    }

    // A result that does not fit 260 bytes is refused by both.
    const std::string tooLong(300, 'n');
    std::string out = "untouched";
    EXPECT_FALSE(windows.Get().files.GetFullPathName(tooLong, out));
    EXPECT_FALSE(model.GetFullPathName(tooLong, out));
    EXPECT_EQ(out, "untouched");
    SetCurrentDirectoryA(scratch.Path().c_str());
}

TEST_F(Win32Test, SetCurrentDirectoryTakesAFolderWithItsTrailingBackslash) {
    const std::string folder = scratch / "ソフト";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(windows.Get().files.SetCurrentDirectory(folder + "\\"));
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(lstrcmpiA(current, folder.c_str()), 0) << current;
    EXPECT_FALSE(windows.Get().files.SetCurrentDirectory(scratch / "無い"));
    SetCurrentDirectoryA(scratch.Path().c_str());
}

}  // namespace

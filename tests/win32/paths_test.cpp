// Making a typed folder absolute, the current folder it depends on, and which file a path names:
// real Win32 against the fake, so the unit tests of the install command and the install run rest
// on what Windows does.
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

TEST_F(Win32Test, GetFileIdentityKnowsOneFileUnderEverySpellingAsTheFakeDoes) {
    const std::string folder = scratch / "Package Files 表";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string file = folder + "\\Font.ttf";
    WriteFile(file, "font");
    WriteFile(folder + "\\other.ttf", "font");
    char shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(folder.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(shortName, folder);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

    fake::FakePlatform model;
    model.AddFile(file, "font");
    model.AddFile(folder + "\\other.ttf", "font");
    model.AddAlias(shortName, folder);
    ASSERT_TRUE(model.SetCurrentDirectory(folder));

    platform::Files& files = windows.Get().files;
    platform::FileIdentity real;
    platform::FileIdentity modelled;
    ASSERT_TRUE(files.GetFileIdentity(file, real));
    ASSERT_TRUE(model.GetFileIdentity(file, modelled));
    const std::vector<std::string> sameFile = {
        "Font.ttf",
        "FONT.TTF",
        "font.ttf.",
        "..\\Package Files 表\\Font.ttf",
        std::string(shortName) + "\\Font.ttf",
    };
    for (const std::string& spelling : sameFile) {
        platform::FileIdentity again;
        EXPECT_TRUE(files.GetFileIdentity(spelling, again) && again == real) << spelling;
        EXPECT_TRUE(model.GetFileIdentity(spelling, again) && again == modelled) << spelling;
    }
    platform::FileIdentity other;
    EXPECT_TRUE(files.GetFileIdentity("other.ttf", other) && !(other == real));
    EXPECT_TRUE(model.GetFileIdentity("other.ttf", other) && !(other == modelled));
    // A file another program holds without sharing it still answers: no access is asked for.
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    platform::FileIdentity whileHeld;
    EXPECT_TRUE(files.GetFileIdentity(file, whileHeld) && whileHeld == real);
    CloseHandle(held);
    // Neither a missing file nor a folder has an identity.
    for (const std::string& none : {std::string("missing.ttf"), folder}) {
        EXPECT_FALSE(files.GetFileIdentity(none, other)) << none;
        EXPECT_FALSE(model.GetFileIdentity(none, other)) << none;
    }
    SetCurrentDirectoryA(scratch.Path().c_str());
}

}  // namespace

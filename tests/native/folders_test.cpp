#include "services/folders.h"

#include <gtest/gtest.h>

#include "fake_fixture.h"

namespace {

class FoldersTest : public FakeWindowsTest {
  protected:
    // The folders CreateDirectoryA was asked for, in order.
    std::vector<std::string> Creations() const {
        std::vector<std::string> out;
        for (const std::string& call : fake.calls) {
            if (call.rfind("CreateDirectoryA ", 0) == 0) {
                out.push_back(call.substr(17));
            }
        }
        return out;
    }
};

TEST_F(FoldersTest, PathExistsTellsFilesFromFolders) {
    fake.AddFile("C:\\Fonts2\\a.ttf", "x");
    EXPECT_EQ(PathExists("C:\\Fonts2\\a.ttf", 0), 1);
    EXPECT_EQ(PathExists("C:\\Fonts2\\a.ttf", 1), 0);
    EXPECT_EQ(PathExists("C:\\Fonts2", 1), 1);
    EXPECT_EQ(PathExists("C:\\Fonts2", 0), 0);
    EXPECT_EQ(PathExists("C:\\Fonts2", 7), 1);
    EXPECT_EQ(PathExists("c:\\fonts2\\A.TTF", 0), 1);
    EXPECT_EQ(PathExists("C:\\Fonts2\\b.ttf", 0), 0);
    EXPECT_EQ(PathExists("", 0), 0);
}

TEST_F(FoldersTest, PathExistsNeverFindsAPathEndingInABackslash) {
    fake.AddFolder("C:\\ソ");
    EXPECT_EQ(PathExists("C:\\ソ", 1), 1);  // the trail byte 0x5C is no separator
    EXPECT_EQ(PathExists("C:\\ソ\\", 1), 0);
    EXPECT_EQ(PathExists("C:\\", 1), 0);
}

TEST_F(FoldersTest, GetSpecialFolderPathFreesWhatItGets) {
    std::string path = "untouched";
    EXPECT_EQ(GetSpecialFolderPath(20, path), 1);
    EXPECT_EQ(path, "C:\\WINDOWS\\Fonts");
    EXPECT_EQ(fake.liveAllocators, 0);
    EXPECT_EQ(fake.liveItemLists, 0);
}

TEST_F(FoldersTest, GetSpecialFolderPathFailsAtEachStepWithoutLeaking) {
    std::string path = "untouched";
    fake.Fail("SHGetMalloc");
    EXPECT_EQ(GetSpecialFolderPath(20, path), 0);
    EXPECT_EQ(fake.liveAllocators, 0);

    fake::FakePlatform noLocation;
    platform::ScopedPlatform scope2(noLocation.Platform());
    noLocation.Fail("SHGetSpecialFolderLocation");
    EXPECT_EQ(GetSpecialFolderPath(20, path), 0);
    EXPECT_EQ(noLocation.liveAllocators, 0);
    EXPECT_EQ(path, "untouched");

    // Only a result of exactly 1 from the path conversion counts.
    for (int answer : {0, 2}) {
        fake::FakePlatform odd;
        platform::ScopedPlatform scope3(odd.Platform());
        odd.pathFromIdListResult = answer;
        EXPECT_EQ(GetSpecialFolderPath(20, path), 0) << "answer " << answer;
        EXPECT_EQ(odd.liveAllocators, 0);
        EXPECT_EQ(odd.liveItemLists, 0);
    }
}

TEST_F(FoldersTest, GetFontsFolderFallsBackToTheWindowsFolder) {
    EXPECT_EQ(GetFontsFolder(), "C:\\WINDOWS\\Fonts");
    fake.specialFolders.clear();
    fake.windowsDirectory = "D:\\WinNT";
    EXPECT_EQ(GetFontsFolder(), "D:\\WinNT\\FONTS");
    fake.specialFolders[20] = "C:\\Windows\\Fonts";
    fake.pathFromIdListResult = 0;
    EXPECT_EQ(GetFontsFolder(), "D:\\WinNT\\FONTS");
}

TEST_F(FoldersTest, QueryFileSizeGivesTheLow32Bits) {
    fake.AddFile("C:\\e.ttf", "");
    fake.AddFile("C:\\k.ttf", std::string(1500, 'k'));
    fake.AddFileOfSize("C:\\big.ttc", 0x100000010ULL);
    EXPECT_EQ(QueryFileSize("C:\\e.ttf"), 0u);
    EXPECT_EQ(QueryFileSize("C:\\k.ttf"), 1500u);
    EXPECT_EQ(QueryFileSize("C:\\big.ttc"), 0x10u);
    EXPECT_EQ(QueryFileSize("C:\\missing.ttf"), 0xFFFFFFFFu);
    EXPECT_EQ(QueryFileSize("C:\\Package"), 0xFFFFFFFFu);
    fake.Fail("CreateFileA", "C:\\k.ttf");
    EXPECT_EQ(QueryFileSize("C:\\k.ttf"), 0xFFFFFFFFu);
}

TEST_F(FoldersTest, CreateFolderTreeCreatesEachMissingLevelFromTheTop) {
    fake.AddFolder("C:\\Users");
    EXPECT_NE(CreateFolderTree("C:\\Users\\a\\b"), 0);
    EXPECT_EQ(Creations(), (std::vector<std::string>{"C:\\Users\\a", "C:\\Users\\a\\b"}));
    EXPECT_TRUE(fake.FolderExists("C:\\Users\\a\\b"));
}

TEST_F(FoldersTest, CreateFolderTreeOnExistingFoldersAndRootsCreatesNothing) {
    EXPECT_NE(CreateFolderTree("C:\\"), 0);
    EXPECT_NE(CreateFolderTree("C:\\Package"), 0);
    EXPECT_NE(CreateFolderTree("C:\\Package\\"), 0);
    EXPECT_NE(CreateFolderTree("\\"), 0);
    EXPECT_NE(CreateFolderTree("Z:"), 0);
    EXPECT_TRUE(Creations().empty());
}

TEST_F(FoldersTest, CreateFolderTreeMakesARelativeFolderInTheCurrentFolder) {
    fake.currentDirectory = "C:\\Package";
    EXPECT_NE(CreateFolderTree("new"), 0);
    EXPECT_EQ(Creations(), (std::vector<std::string>{"new"}));
    EXPECT_TRUE(fake.FolderExists("C:\\Package\\new"));
}

TEST_F(FoldersTest, CreateFolderTreeReportsTheLastCreationItTried) {
    fake.Fail("CreateDirectoryA", "C:\\x");
    // C:\x fails, so C:\x\y fails too: the last attempt decides.
    EXPECT_EQ(CreateFolderTree("C:\\x\\y"), 0);
    EXPECT_EQ(Creations(), (std::vector<std::string>{"C:\\x", "C:\\x\\y"}));

    // A failure above a level that is then created still ends in success.
    fake::FakePlatform other;
    platform::ScopedPlatform scope2(other.Platform());
    other.Fail("CreateDirectoryA", "C:\\p");
    other.AddFolder("C:\\p\\q");
    EXPECT_EQ(PathExists("C:\\p", 1), 1);
    EXPECT_NE(CreateFolderTree("C:\\p\\q\\r"), 0);
}

TEST_F(FoldersTest, CreateFolderTreeNeverCutsInsideADoubleByteCharacter) {
    fake.currentDirectory = "C:\\Package";
    EXPECT_NE(CreateFolderTree("表示\\ソ"), 0);
    EXPECT_EQ(Creations(), (std::vector<std::string>{"表示", "表示\\ソ"}));
    EXPECT_TRUE(fake.FolderExists("C:\\Package\\表示\\ソ"));

    EXPECT_NE(CreateFolderTree("C:\\ソ\\表"), 0);
    EXPECT_TRUE(fake.FolderExists("C:\\ソ\\表"));
}

TEST_F(FoldersTest, CreateFolderTreeOnAShareTouchesOnlyTheLevelsBelowTheShare) {
    fake.AddFolder("\\\\server\\share\\fonts");
    EXPECT_NE(CreateFolderTree("\\\\server\\share\\fonts"), 0);
    EXPECT_NE(CreateFolderTree("\\\\server\\share\\"), 0);
    EXPECT_TRUE(Creations().empty());

    EXPECT_NE(CreateFolderTree("\\\\server\\share\\fonts\\new\\deeper"), 0);
    EXPECT_EQ(Creations(), (std::vector<std::string>{"\\\\server\\share\\fonts\\new",
                                                     "\\\\server\\share\\fonts\\new\\deeper"}));
}

TEST_F(FoldersTest, CreateFolderTreeOnAMissingShareFails) {
    EXPECT_EQ(CreateFolderTree("\\\\nowhere\\share\\fonts"), 0);
}

}  // namespace

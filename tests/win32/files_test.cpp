// The file services on real files and folders, names with trail byte 0x5C included.
#include "platform/win32/windows_api.h"

#include "catalogue/font_list.h"
#include "services/folders.h"
#include "win32_test_support.h"

namespace {

using FilesTest = Win32Test;

// ソ is 83 5C and 表 is 95 5C in code page 932.
const std::string kSoHyo = "ソフト表";

TEST_F(FilesTest, PathExistsOnFilesAndFoldersWithJapaneseNames) {
    const std::string folder = scratch / kSoHyo;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
    const std::string file = folder + "\\表示.ttf";
    WriteFile(file, "font");

    EXPECT_EQ(PathExists(folder, 1), 1);
    EXPECT_EQ(PathExists(folder, 0), 0);
    EXPECT_EQ(PathExists(file, 0), 1);
    EXPECT_EQ(PathExists(file, 1), 0);
    EXPECT_EQ(PathExists(folder + "\\missing.ttf", 0), 0);
    EXPECT_EQ(PathExists(scratch / "ソ", 1), 0);  // the trail byte is not a separator
}

TEST_F(FilesTest, PathExistsNeverFindsAPathEndingInABackslash) {
    EXPECT_EQ(PathExists(scratch.Path(), 1), 1);
    EXPECT_EQ(PathExists(scratch.Path() + "\\", 1), 0);
    EXPECT_EQ(PathExists("C:\\", 1), 0);
}

TEST_F(FilesTest, QueryFileSizeOfRealFiles) {
    WriteFile(scratch / "empty.ttf", "");
    WriteFile(scratch / "表.ttf", std::string(1500, 'x'));
    EXPECT_EQ(QueryFileSize(scratch / "empty.ttf"), 0u);
    EXPECT_EQ(QueryFileSize(scratch / "表.ttf"), 1500u);
    EXPECT_EQ(QueryFileSize(scratch / "missing.ttf"), 0xFFFFFFFFu);
    EXPECT_EQ(QueryFileSize(scratch.Path()), 0xFFFFFFFFu);
}

TEST_F(FilesTest, QueryFileSizeSharesAFileOpenForWriting) {
    const std::string path = scratch / "open.ttf";
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(writer, "12345", 5, &written, nullptr);
    EXPECT_EQ(QueryFileSize(path), 5u);
    CloseHandle(writer);
}

TEST_F(FilesTest, GetFontsFolderIsTheWindowsFontsFolder) {
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const std::string fonts = GetFontsFolder();
    EXPECT_EQ(lstrcmpiA(fonts.c_str(), (std::string(windowsFolder) + "\\Fonts").c_str()), 0)
        << fonts;
    EXPECT_EQ(PathExists(fonts, 1), 1);
}

TEST_F(FilesTest, CreateFolderTreeBuildsARealTreeParentFirst) {
    const std::string deep = scratch / (kSoHyo + "\\表\\c");
    EXPECT_NE(CreateFolderTree(deep), 0);
    EXPECT_EQ(PathExists(scratch / kSoHyo, 1), 1);
    EXPECT_EQ(PathExists(scratch / (kSoHyo + "\\表"), 1), 1);
    EXPECT_EQ(PathExists(deep, 1), 1);
    // No stray folder named by a lone lead byte.
    EXPECT_EQ(PathExists(scratch / "\x83", 1), 0);
    EXPECT_EQ(PathExists(scratch / "\x95", 1), 0);

    EXPECT_NE(CreateFolderTree(deep + "\\"), 0);  // all there already
    EXPECT_NE(CreateFolderTree("C:\\"), 0);
}

TEST_F(FilesTest, CreateFolderTreeMakesARelativeFolderInTheCurrentFolder) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
    const int result = CreateFolderTree("表示\\ソ");
    SetCurrentDirectoryA(previous);
    EXPECT_NE(result, 0);
    EXPECT_EQ(PathExists(scratch / "表示\\ソ", 1), 1);
    EXPECT_EQ(PathExists(scratch / "\x95", 1), 0);
}

TEST_F(FilesTest, CreateFolderTreeFailsUnderAFile) {
    WriteFile(scratch / "plain", "x");
    EXPECT_EQ(CreateFolderTree(scratch / "plain\\sub"), 0);
}

TEST_F(FilesTest, ProtectedFoldersAndNewFilesAreCreatedAndNothingIsOpenedInTheirPlace) {
    platform::Files& files = windows.Get().files;
    const std::string folder = scratch / kSoHyo;
    ASSERT_TRUE(files.CreateProtectedDirectory(folder, *FontsFolderProtection(true)))
        << GetLastError();
    // Wine maps the DACL onto Unix permissions: the folder must still take the installer's files.
    const std::string path = folder + "\\表示.ttf";
    std::unique_ptr<platform::NewFile> file =
        files.CreateNewFile(path, FontsFolderProtection(false));
    ASSERT_NE(file, nullptr) << GetLastError();
    EXPECT_EQ(file->Write("font", 4), 4u);
    std::string landed;
    std::string resolved;
    ASSERT_TRUE(file->GetFinalPathName(landed));
    ASSERT_TRUE(files.GetFinalPathName(folder + "\\", resolved));
    EXPECT_EQ(lstrcmpiA(landed.c_str(), (resolved + "\\表示.ttf").c_str()), 0)
        << landed << " in " << resolved;
    EXPECT_EQ(file->Close(), 0);
    for (const std::string& created : {folder, path}) {
        DWORD size = 0;
        GetFileSecurityA(created.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
        EXPECT_GT(size, 0u) << created;  // the exact entries are Wine's mapping, not ours
    }

    // Nothing of any kind may lie at the path of a new file.
    EXPECT_EQ(files.CreateNewFile(path, nullptr), nullptr);
    EXPECT_EQ(files.CreateNewFile(folder, FontsFolderProtection(false)), nullptr);
    EXPECT_EQ(QueryFileSize(path), 4u);

    // A file marked through its handle goes when the handle closes.
    const std::string gone = folder + "\\gone.ttf";
    file = files.CreateNewFile(gone, nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->DeleteOnClose());
    file->Close();
    EXPECT_EQ(PathExists(gone, 0), 0);
}

TEST_F(FilesTest, LoadFontListReadsARealFileWithJapaneseNames) {
    FontList.clear();
    const std::string path = scratch / "FontList.txt";
    WriteFile(path, "ソフト表示,ソフト表示.ttf\r\n\"Sample, Mono\",smono.otf\r\nbad line\r\n");
    EXPECT_EQ(LoadFontList(nullptr, path), 1);
    ASSERT_EQ(FontList.size(), 2u);
    EXPECT_EQ(FontList[0].fontName, "ソフト表示");
    EXPECT_EQ(FontList[0].fileName, "ソフト表示.ttf");
    EXPECT_EQ(FontList[1].fontName, "Sample, Mono");
    FontList.clear();
}

}  // namespace

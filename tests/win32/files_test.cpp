// The file services on real files and folders, names with trail byte 0x5C included.
#include "platform/win32/windows_api.h"

#include <sddl.h>

#include <utility>
#include <vector>

#include "catalogue/font_list.h"
#include "services/destination.h"
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
    ASSERT_EQ(file->GetFinalPathName(landed), platform::FinalPathRead::Read);
    ASSERT_EQ(files.GetFinalPathName(folder + "\\", resolved), platform::FinalPathRead::Read);
    EXPECT_EQ(lstrcmpiA(landed.c_str(), (resolved + "\\表示.ttf").c_str()), 0)
        << landed << " in " << resolved;
    EXPECT_EQ(file->Close(), 0);

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

// The SID of a well-known account, for comparing with the entries of a DACL.
std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    EXPECT_TRUE(CreateWellKnownSid(type, nullptr, sid.data(), &size)) << GetLastError();
    return sid;
}

TEST_F(FilesTest, TheProtectionIsBuiltAsTheFontsFolderHasIt) {
    // The descriptor the installer hands to CreateDirectoryA and CreateFileA, read in memory:
    // what Wine makes of it on disk is Wine's mapping.
    const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
    const std::vector<BYTE> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
    const std::vector<BYTE> users = WellKnownSid(WinBuiltinUsersSid);
    const std::vector<std::pair<bool, BYTE>> kinds = {
        {true, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE}, {false, 0}};
    for (const auto& [forFolder, inheritance] : kinds) {
        platform::win32::SecurityAttributes attributes(*FontsFolderProtection(forFolder));
        ASSERT_NE(attributes.Get(), nullptr);
        PSECURITY_DESCRIPTOR descriptor = attributes.Get()->lpSecurityDescriptor;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
        EXPECT_EQ(control & (SE_DACL_PRESENT | SE_DACL_PROTECTED),
                  SE_DACL_PRESENT | SE_DACL_PROTECTED)
            << std::hex << control;
        BOOL present = FALSE;
        BOOL defaulted = TRUE;
        PACL dacl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
        ASSERT_TRUE(present && dacl != nullptr);
        EXPECT_FALSE(defaulted);
        ASSERT_EQ(dacl->AceCount, 3u);
        const std::pair<const std::vector<BYTE>*, DWORD> expected[] = {
            {&system, FILE_ALL_ACCESS},
            {&administrators, FILE_ALL_ACCESS},
            {&users, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
        };
        for (DWORD i = 0; i < 3; ++i) {
            void* entry = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, &entry));
            auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
            EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
            EXPECT_EQ(ace->Header.AceFlags, inheritance) << i << " folder " << forFolder;
            EXPECT_EQ(ace->Mask, expected[i].second) << i;
            EXPECT_TRUE(EqualSid(&ace->SidStart, const_cast<BYTE*>(expected[i].first->data())))
                << i;
        }
    }
}

TEST_F(FilesTest, ADeleteByHandleTakesOnlyTheFileItWasMeantFor) {
    platform::Files& files = windows.Get().files;
    const std::string folder = scratch / "表示";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string path = folder + "\\ソ.ttf";
    const std::string other = scratch / "other.ttf";
    WriteFile(path, "font");
    WriteFile(other, "other");
    platform::ExpectedFile expected;
    ASSERT_TRUE(files.GetFileIdentity(path, expected.identity));
    ASSERT_TRUE(expected.identity.Known());
    expected.identified = true;
    std::string resolved;
    ASSERT_EQ(files.GetFinalPathName(folder, resolved), platform::FinalPathRead::Read);
    expected.folder = resolved + "\\";

    // Another file's identity, or another folder: refused, and the file stays.
    platform::ExpectedFile wrongFile = expected;
    ASSERT_TRUE(files.GetFileIdentity(other, wrongFile.identity));
    EXPECT_EQ(files.DeleteExpectedFile(path, wrongFile), platform::DeleteResult::NotThatFile);
    platform::ExpectedFile wrongFolder = expected;
    ASSERT_EQ(files.GetFinalPathName(scratch.Path(), resolved), platform::FinalPathRead::Read);
    wrongFolder.folder = resolved + "\\";
    EXPECT_EQ(files.DeleteExpectedFile(path, wrongFolder), platform::DeleteResult::NotThatFile);
    EXPECT_NE(files.DeleteExpectedFile(folder, platform::ExpectedFile()),
              platform::DeleteResult::Deleted);
    EXPECT_EQ(QueryFileSize(path), 4u);
    EXPECT_EQ(PathExists(folder, 1), 1);

    // The file meant goes; a missing one fails.
    EXPECT_EQ(files.DeleteExpectedFile(path, expected), platform::DeleteResult::Deleted);
    EXPECT_EQ(PathExists(path, 0), 0);
    EXPECT_EQ(files.DeleteExpectedFile(path, expected), platform::DeleteResult::Failed);
    EXPECT_EQ(QueryFileSize(other), 5u);
}

// A chosen folder as the install command checks it: each level opened, checked and held.
Destination::Hold HoldChosen(const std::string& folder) {
    Destination destination(folder, false);
    return destination.HoldLevels();
}

TEST_F(FilesTest, AFolderIsJudgedByItsOwnerAndItsDaclOnItsOwnHandle) {
    platform::Files& files = windows.Get().files;
    const std::string parent = scratch / "親";
    const std::string folder = parent + "\\フォント";
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    // Wine shows every folder owned by the user, with SYSTEM and the user in full and Everyone
    // reading: such a folder takes the installer's fonts.
    std::unique_ptr<platform::HeldPath> held = files.OpenHeld(folder);
    ASSERT_NE(held, nullptr) << GetLastError();
    platform::FileSecurity security;
    ASSERT_EQ(held->GetSecurity(security), platform::SecurityRead::Read);
    EXPECT_EQ(security.owner, platform::Trustee::RunningUser);
    ASSERT_FALSE(security.allowed.empty());
    held.reset();
    EXPECT_EQ(HoldChosen(folder + "\\"), Destination::Hold::Held);
    EXPECT_EQ(HoldChosen(folder + "\\新規\\"), Destination::Hold::Missing);
    EXPECT_EQ(HoldChosen("C:\\"), Destination::Hold::Held);

    // The parent opened to Everyone, with SetFileSecurityA. Wine keeps what Unix permissions
    // can hold: Everyone writing, which reads back with DELETE and FILE_DELETE_CHILD.
    PSECURITY_DESCRIPTOR opened = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1201ff;;;WD)", SDDL_REVISION_1, &opened,
        nullptr));
    ASSERT_TRUE(SetFileSecurityA(parent.c_str(), DACL_SECURITY_INFORMATION, opened))
        << GetLastError();
    LocalFree(opened);
    held = files.OpenHeld(parent);
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(held->GetSecurity(security), platform::SecurityRead::Read);
    bool everyoneDeletes = false;
    for (const platform::AccessAllowed& entry : security.allowed) {
        everyoneDeletes = everyoneDeletes || (entry.trustee == platform::Trustee::Other &&
                                              (entry.accessMask & FILE_DELETE_CHILD) != 0);
    }
    EXPECT_TRUE(everyoneDeletes);
    held.reset();
    EXPECT_EQ(HoldChosen(folder + "\\"), Destination::Hold::Refused);
    EXPECT_EQ(HoldChosen(parent + "\\新規\\"), Destination::Hold::Refused);
    // What cannot be opened is not vouched for.
    EXPECT_EQ(files.OpenHeld(scratch / "無い"), nullptr);
}

TEST_F(FilesTest, WhatIsHeldAnswersByItsHandleAndCannotBeRenamedOrRemoved) {
    platform::Files& files = windows.Get().files;
    const std::string folder = scratch / "表示";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string file = folder + "\\ソ.ttf";
    WriteFile(file, "font");

    std::unique_ptr<platform::HeldPath> heldFolder = files.OpenHeld(folder);
    std::unique_ptr<platform::HeldPath> heldFile = files.OpenHeld(file);
    ASSERT_NE(heldFolder, nullptr) << GetLastError();
    ASSERT_NE(heldFile, nullptr) << GetLastError();
    uint32_t attributes = 0;
    uint32_t tag = 1;
    ASSERT_TRUE(heldFolder->GetAttributeTag(attributes, tag));
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << std::hex << attributes;
    EXPECT_EQ(tag, 0u);
    ASSERT_TRUE(heldFile->GetAttributeTag(attributes, tag));
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT), 0u);
    std::string byHandle;
    std::string byPath;
    ASSERT_EQ(heldFolder->GetFinalPathName(byHandle), platform::FinalPathRead::Read);
    ASSERT_EQ(files.GetFinalPathName(folder, byPath), platform::FinalPathRead::Read);
    EXPECT_EQ(byHandle, byPath);
    platform::FileIdentity identity;
    platform::FileIdentity asked;
    ASSERT_TRUE(heldFile->GetIdentity(identity));
    ASSERT_TRUE(files.GetFileIdentity(file, asked));
    EXPECT_TRUE(identity.Known() && identity == asked);

    // Held, neither can be renamed or deleted; what the installer does inside still works.
    const std::string moved = scratch / "moved";
    EXPECT_FALSE(MoveFileA(folder.c_str(), moved.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileA(file.c_str(), moved.c_str()));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    std::unique_ptr<platform::NewFile> created = files.CreateNewFile(folder + "\\new.ttf", nullptr);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->DeleteOnClose());
    created->Close();
    EXPECT_EQ(PathExists(folder + "\\new.ttf", 0), 0);
    EXPECT_EQ(QueryFileSize(file), 4u);

    // Let go, both can.
    heldFile.reset();
    heldFolder.reset();
    EXPECT_TRUE(MoveFileA(folder.c_str(), moved.c_str())) << GetLastError();
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

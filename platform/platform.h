// The seam between the installer's logic and Windows.
//
// Each interface mirrors the system calls the program makes in one area, with the same arguments
// and results, so the logic reads like the procedure it carries out. The exe plugs in the Win32
// implementation; the unit tests plug in an in-memory fake that can make any call fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_constants.h"

namespace platform {

using WindowHandle = void*;
using InstanceHandle = void*;
using ShellAllocator = void*;  // the shell's task allocator (IMalloc)
using ItemList = void*;        // a shell item id list (PIDLIST_ABSOLUTE)
using KeyHandle = void*;       // an open registry key (HKEY)
using DeviceContext = void*;   // a device context (HDC)
using IconHandle = void*;      // an icon (HICON)

// A dialog procedure in portable form; the Win32 side forwards its callbacks here.
using DialogProcedure = intptr_t (*)(WindowHandle dialog, unsigned message, uintptr_t wParam,
                                     intptr_t lParam);

struct OsVersion {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
};

class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    // GetVersionExA with a basic OSVERSIONINFOA (size 148).
    virtual bool GetVersionEx(OsVersion& version) = 0;
    // GetModuleFileNameA: fills buffer as the system does (truncating when it does not fit) and
    // returns the number of bytes written, 0 on failure.
    virtual uint32_t GetModuleFileName(InstanceHandle instance, char* buffer, uint32_t size) = 0;
};

// A file opened in text mode, read line by line as fgets does.
class TextFile {
  public:
    virtual ~TextFile() = default;
    // fgets: reads at most size - 1 bytes, up to and including a line feed, and terminates the
    // buffer. False at end of file or on a read error.
    virtual bool ReadLine(char* buffer, int size) = 0;
};

// A file opened as a buffered C stream (fopen), read and written as fread and fwrite do.
class Stream {
  public:
    // Closes the stream if Close was not called.
    virtual ~Stream() = default;
    // fread(buffer, 1, size): the number of bytes read; fewer at the end or after an error.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // fwrite(buffer, 1, size): the number of bytes written.
    virtual std::size_t Write(const void* buffer, std::size_t size) = 0;
    // ferror: the stream's error indicator.
    virtual bool Error() = 0;
    // fclose. The stream is closed afterwards whatever the result.
    virtual int Close() = 0;
};

// Which file a path names, whatever its spelling: the volume's serial number and the file's
// 128-bit id on it (FILE_ID_INFO), or the 64-bit index of BY_HANDLE_FILE_INFORMATION in the low
// half where the system lacks the former. An all-zero id is no identity: ReFS needs all 128 bits,
// and some network servers answer 0 for every file.
struct FileIdentity {
    uint64_t volumeSerial = 0;
    uint64_t idHigh = 0;
    uint64_t idLow = 0;

    bool Known() const { return idHigh != 0 || idLow != 0; }
    bool operator==(const FileIdentity& other) const {
        return volumeSerial == other.volumeSerial && idHigh == other.idHigh && idLow == other.idLow;
    }
};

// What GetFinalPathNameByHandleA answered: the path, or that the system lacks the call (before
// Vista), or that the call failed, which a check must take as a refusal.
enum class FinalPathRead {
    Read,
    NoCall,
    Failed,
};

// A file this program has just created, written through the handle that created it (the C
// stream sits on that handle), so no other file can take its place while it is written.
class NewFile : public Stream {
  public:
    // GetFinalPathNameByHandleA on the handle: where the file really lies, every link followed.
    virtual FinalPathRead GetFinalPathName(std::string& finalPath) = 0;
    // SetFileInformationByHandle with FileDispositionInfo (NtSetInformationFile before Vista):
    // the file goes when its handle closes, wherever it lies. False when the system lacks both
    // calls (the 9x family) or the call fails.
    virtual bool DeleteOnClose() = 0;
    // fflush: writes what the stream still holds, so that a failure shows while the handle is
    // open. False on a write error.
    virtual bool Flush() = 0;
    // Which file this is, asked on the handle (see Files::GetFileIdentity). False when the call
    // fails.
    virtual bool GetIdentity(FileIdentity& identity) = 0;
};

// The well-known groups every NT system has, and the accounts a folder's owner and entries are
// read as: the user this program runs as, and anyone else at all (Everyone, Authenticated Users,
// another user).
enum class Trustee { LocalSystem, Administrators, Users, TrustedInstaller, RunningUser, Other };

// One access-allowed entry of a DACL: an access mask (FILE_ALL_ACCESS, ...) and ACE flags
// (OBJECT_INHERIT_ACE, CONTAINER_INHERIT_ACE, or none).
struct AccessAllowed {
    Trustee trustee = Trustee::Administrators;
    uint32_t accessMask = 0;
    uint8_t aceFlags = 0;
};

inline bool operator==(const AccessAllowed& a, const AccessAllowed& b) {
    return a.trustee == b.trustee && a.accessMask == b.accessMask && a.aceFlags == b.aceFlags;
}

// A security descriptor that sets nothing but a DACL. A protected DACL takes no entries from the
// folder above (SE_DACL_PROTECTED).
struct SecurityDescriptor {
    bool protectedDacl = false;
    std::vector<AccessAllowed> allowed;
};

inline bool operator==(const SecurityDescriptor& a, const SecurityDescriptor& b) {
    return a.protectedDacl == b.protectedDacl && a.allowed == b.allowed;
}

// The file a delete is meant for, as it was checked: its identity, when known, and the folder it
// must lie in as the system resolves it (a final path ending in "\"), empty only where the system
// cannot resolve a path (before Vista).
struct ExpectedFile {
    bool identified = false;
    FileIdentity identity;
    std::string folder;
};

enum class DeleteResult {
    Deleted,
    NotThatFile,  // something else lies at the path now: a link, or another file
    Failed,
};

// A file's or folder's owner and the access-allowed entries of its DACL, as the system reads
// them (inherited entries included). Entries that deny are left out: a folder is judged by what
// it allows. No DACL at all allows everyone everything.
struct FileSecurity {
    Trustee owner = Trustee::Other;
    bool hasDacl = true;
    std::vector<AccessAllowed> allowed;
};

enum class SecurityRead {
    Read,
    NoAcls,  // the system has no ACLs (the 9x family)
    Failed,
};

// Whether a reparse point stands for another name, or may: its tag is a name surrogate (a
// junction, a symbolic link, a mount point), or the system gave none.
inline bool IsLink(uint32_t attributes, uint32_t reparseTag) {
    return (attributes & win::kFileAttributeReparsePoint) != 0 &&
           (reparseTag == 0 || (reparseTag & win::kReparseTagNameSurrogate) != 0);
}

// A file or folder held open for as long as this lives, through a handle opened as itself
// (FILE_FLAG_OPEN_REPARSE_POINT: a link is not followed) with FILE_READ_DATA, FILE_READ_ATTRIBUTES
// and READ_CONTROL, sharing reading and writing but not deleting. A handle without a data right
// takes no part in sharing; this one does, so while it lives no one can rename, remove or replace
// what it holds. Every answer comes from the handle, never from the path again. CloseHandle when
// destroyed.
class HeldPath {
  public:
    virtual ~HeldPath() = default;
    // GetFileInformationByHandleEx with FileAttributeTagInfo (Vista on); before Vista
    // GetFileInformationByHandle, and FSCTL_GET_REPARSE_POINT for a reparse point's tag. The tag
    // is 0 for what is no reparse point. False when the system cannot tell.
    virtual bool GetAttributeTag(uint32_t& attributes, uint32_t& reparseTag) = 0;
    // GetFinalPathNameByHandleA: where it lies as the system resolves it now.
    virtual FinalPathRead GetFinalPathName(std::string& finalPath) = 0;
    // Which file or folder this is (see Files::GetFileIdentity). False when the call fails.
    virtual bool GetIdentity(FileIdentity& identity) = 0;
    // GetSecurityInfo for the owner and the DACL, each SID read as a Trustee; a DACL entry that
    // cannot be read whole fails the read.
    virtual SecurityRead GetSecurity(FileSecurity& security) = 0;
};

class Files {
  public:
    virtual ~Files() = default;
    // FindFirstFileA then FindClose: the attributes of the first entry found.
    virtual bool FindFirstFile(const std::string& path, uint32_t& attributes) = 0;
    // CreateFileA (read, sharing read and write, existing only), GetFileSize without the high
    // part, CloseHandle. False when the file cannot be opened.
    virtual bool GetFileSize(const std::string& path, uint32_t& size) = 0;
    // CreateDirectoryA without security attributes.
    virtual bool CreateDirectory(const std::string& path) = 0;
    // CreateDirectoryA with security attributes that carry descriptor: the folder is protected
    // from the moment it exists.
    virtual bool CreateProtectedDirectory(const std::string& path,
                                          const SecurityDescriptor& descriptor) = 0;
    // CreateFileA for writing and deleting, sharing nothing, CREATE_NEW: fails when anything at
    // all lies at path, a link included. The file receives descriptor, when one is given, as it
    // is created. Null when it cannot be created.
    virtual std::unique_ptr<NewFile> CreateNewFile(const std::string& path,
                                                   const SecurityDescriptor* descriptor) = 0;
    // CreateFileA on a folder (FILE_FLAG_BACKUP_SEMANTICS, sharing everything),
    // GetFinalPathNameByHandleA: the folder as the system reaches it now, every link followed.
    virtual FinalPathRead GetFinalPathName(const std::string& folder, std::string& finalPath) = 0;
    // GetWindowsDirectoryA.
    virtual std::string GetWindowsDirectory() = 0;
    // fopen in text mode for reading; null when it cannot be opened.
    virtual std::unique_ptr<TextFile> OpenTextFile(const std::string& path) = 0;
    // fopen with the mode given ("rb", "wb"); null when it cannot be opened.
    virtual std::unique_ptr<Stream> OpenStream(const std::string& path, const char* mode) = 0;
    // CreateFileA with DELETE and FILE_FLAG_OPEN_REPARSE_POINT; on that handle the file must be
    // no folder and no link (a reparse point whose tag is a name surrogate, or whose tag cannot be
    // read), must have the identity expected, when one is, and must lie in the folder expected
    // (GetFinalPathNameByHandleA), when one is; then it is deleted through the handle
    // (DeleteOnClose). Other reparse points (a file the system compressed, deduplicated or keeps
    // in the cloud) are files like any other. DeleteFileA on the 9x family, which can do none of
    // this.
    virtual DeleteResult DeleteExpectedFile(const std::string& path,
                                            const ExpectedFile& expected) = 0;
    // CreateFileA as HeldPath says. Null when it cannot be opened: missing, in use, or refused.
    virtual std::unique_ptr<HeldPath> OpenHeld(const std::string& path) = 0;
    // SetCurrentDirectoryA.
    virtual bool SetCurrentDirectory(const std::string& path) = 0;
    // GetFullPathNameA into a buffer of 260 bytes: the path made absolute against the current
    // folder. False when the call fails or the result does not fit.
    virtual bool GetFullPathName(const std::string& path, std::string& fullPath) = 0;
    // CreateFileA (no access asked, sharing read and write, existing only),
    // GetFileInformationByHandleEx with FileIdInfo, else GetFileInformationByHandle, CloseHandle.
    // False when the file cannot be opened or the call fails; an all-zero id comes back as the
    // system gave it (see FileIdentity::Known).
    virtual bool GetFileIdentity(const std::string& path, FileIdentity& identity) = 0;
};

// The folder browser's callback (BFFCALLBACK) in portable form; the Win32 side forwards to it.
using BrowseCallback = int (*)(WindowHandle browser, unsigned message, intptr_t lParam,
                               intptr_t data);

// BROWSEINFOA, with the same fields in the same order.
struct BrowseInfo {
    WindowHandle owner = nullptr;
    ItemList root = nullptr;      // null: the desktop
    char* displayName = nullptr;  // receives the chosen item's display name; may be null
    const char* title = nullptr;  // shown above the tree
    unsigned flags = 0;           // BIF_*
    BrowseCallback callback = nullptr;
    intptr_t data = 0;  // passed to the callback
};

class Shell {
  public:
    virtual ~Shell() = default;
    // SHGetMalloc.
    virtual bool GetMalloc(ShellAllocator& allocator) = 0;
    // SHGetSpecialFolderLocation with no owner window.
    virtual bool GetSpecialFolderLocation(int csidl, ItemList& list) = 0;
    // SHGetPathFromIDListA into a buffer of 260 bytes; returns what the call returns.
    virtual int GetPathFromIDList(ItemList list, std::string& path) = 0;
    // IMalloc::Free and IMalloc::Release.
    virtual void Free(ShellAllocator allocator, ItemList list) = 0;
    virtual void Release(ShellAllocator allocator) = 0;
    // SHBrowseForFolderA: the chosen item, or null when the user cancelled. The caller frees the
    // item list with the shell's allocator.
    virtual ItemList BrowseForFolder(const BrowseInfo& info) = 0;
};

struct DiskGeometry {
    uint32_t sectorsPerCluster = 0;
    uint32_t bytesPerSector = 0;
    uint32_t freeClusters = 0;
    uint32_t totalClusters = 0;
};

class Disks {
  public:
    virtual ~Disks() = default;
    // Looks up GetDiskFreeSpaceExA in the loaded kernel32.dll (GetModuleHandleA, GetProcAddress).
    virtual bool HasGetDiskFreeSpaceEx() = 0;
    // GetDiskFreeSpaceExA: free bytes available to the caller; returns the call's result.
    virtual int GetDiskFreeSpaceEx(const std::string& directory, uint64_t& freeBytesToCaller) = 0;
    // GetDiskFreeSpaceA on a root.
    virtual int GetDiskFreeSpace(const std::string& root, DiskGeometry& geometry) = 0;
    // GetDriveTypeA on a root such as "C:\".
    virtual unsigned GetDriveType(const std::string& root) = 0;
    // WNetAddConnectionA (no password) and WNetCancelConnectionA; each returns the error code,
    // 0 on success.
    virtual unsigned AddConnection(const std::string& remoteName, const std::string& localName) = 0;
    virtual unsigned CancelConnection(const std::string& localName, bool force) = 0;
};

// What RegQueryInfoKeyA tells of a key's values. As on Windows, the longest name is counted in
// characters and the longest data in bytes of the key's own (UTF-16) form, so a buffer of twice
// the name length holds any name in the ANSI code page.
struct KeyInfo {
    uint32_t values = 0;
    uint32_t maxValueNameLength = 0;
    uint32_t maxValueDataLength = 0;
};

// The registry under HKEY_LOCAL_MACHINE. Every call returns the Win32 error code, 0 on success.
class Registry {
  public:
    virtual ~Registry() = default;
    // RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, &key).
    virtual int32_t OpenKey(const std::string& subKey, uint32_t access, KeyHandle& key) = 0;
    // RegCloseKey.
    virtual int32_t CloseKey(KeyHandle key) = 0;
    // RegQueryInfoKeyA, with a class-name buffer announced as 255 characters and every other
    // figure received and dropped.
    virtual int32_t QueryInfoKey(KeyHandle key, KeyInfo& info) = 0;
    // RegEnumValueA: nameSize is the name buffer's size in, the name's length out; dataSize is
    // the data buffer's size in, the data's length out.
    virtual int32_t EnumValue(KeyHandle key, uint32_t index, char* name, uint32_t& nameSize,
                              uint32_t& type, unsigned char* data, uint32_t& dataSize) = 0;
    // RegSetValueExA with reserved 0.
    virtual int32_t SetValue(KeyHandle key, const std::string& name, uint32_t type,
                             const void* data, uint32_t size) = 0;
    // RegDeleteValueA.
    virtual int32_t DeleteValue(KeyHandle key, const std::string& name) = 0;
};

// One font family as EnumFontFamiliesA reports it: the face name of its logical font
// description (lfFaceName, at most 31 bytes) and its font type.
using FontFamilyProcedure = int (*)(const char* faceName, uint32_t fontType, intptr_t data);

class Gdi {
  public:
    virtual ~Gdi() = default;
    virtual DeviceContext GetDC(WindowHandle window) = 0;
    virtual int ReleaseDC(WindowHandle window, DeviceContext context) = 0;
    // EnumFontFamiliesA with no family name: one callback per family; returns the last result
    // of the callback.
    virtual int EnumFontFamilies(DeviceContext context, FontFamilyProcedure procedure,
                                 intptr_t data) = 0;
    // AddFontResourceA: the number of fonts loaded, 0 on failure.
    virtual int AddFontResource(const std::string& path) = 0;
    // RemoveFontResourceA.
    virtual bool RemoveFontResource(const std::string& path) = 0;
};

// A queued message (MSG).
struct Message {
    WindowHandle window = nullptr;
    unsigned message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// The thread's message queue.
class Messages {
  public:
    virtual ~Messages() = default;
    // PeekMessageA for every window of the thread, every message, PM_REMOVE. False when the
    // queue is empty.
    virtual bool PeekMessage(Message& message) = 0;
    // IsDialogMessageA: true when the dialog took the message.
    virtual bool IsDialogMessage(WindowHandle dialog, const Message& message) = 0;
    virtual bool TranslateMessage(const Message& message) = 0;
    // DispatchMessageA.
    virtual intptr_t DispatchMessage(const Message& message) = 0;
};

class Ui {
  public:
    virtual ~Ui() = default;
    virtual int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                           unsigned style) = 0;
    // DialogBoxParamA with a template id of the program's own module.
    virtual intptr_t DialogBoxParam(InstanceHandle instance, int templateId, WindowHandle owner,
                                    DialogProcedure procedure, intptr_t param) = 0;
    virtual bool EndDialog(WindowHandle dialog, intptr_t result) = 0;
    virtual bool SetDlgItemText(WindowHandle dialog, int id, const std::string& text) = 0;
    // GetDlgItemTextA into a buffer of 260 bytes: at most 259 bytes of the text.
    virtual std::string GetDlgItemText(WindowHandle dialog, int id) = 0;
    virtual intptr_t SendDlgItemMessage(WindowHandle dialog, int id, unsigned message,
                                        uintptr_t wParam, intptr_t lParam) = 0;
    // GetDlgItem: a control's own window, to send it messages without looking it up each time.
    // Null when the dialog has no such control.
    virtual WindowHandle GetDlgItem(WindowHandle dialog, int id) = 0;
    // SetWindowLongPtrA and GetWindowLongPtrA with DWLP_USER: a value a dialog keeps for its
    // own procedure. 0 until one is set.
    virtual void SetDialogUserData(WindowHandle dialog, intptr_t value) = 0;
    virtual intptr_t GetDialogUserData(WindowHandle dialog) = 0;
    // EnableWindow on GetDlgItem.
    virtual bool EnableDlgItem(WindowHandle dialog, int id, bool enable) = 0;
    // CreateDialogParamA with a template id of the program's own module: a modeless dialog.
    // Null when it cannot be created.
    virtual WindowHandle CreateDialogParam(InstanceHandle instance, int templateId,
                                           WindowHandle owner, DialogProcedure procedure,
                                           intptr_t param) = 0;
    virtual bool DestroyWindow(WindowHandle window) = 0;
    // SendMessageTimeoutA; window may be HWND_BROADCAST. Returns what the call returns.
    virtual intptr_t SendMessageTimeout(WindowHandle window, unsigned message, uintptr_t wParam,
                                        intptr_t lParam, unsigned flags, unsigned timeoutMs) = 0;
    // LoadIconA; a null instance loads one of the system's standard icons. Null on failure.
    virtual IconHandle LoadIcon(InstanceHandle instance, int id) = 0;
    // ShellExecuteA without parameters or directory.
    virtual intptr_t ShellExecute(WindowHandle owner, const std::string& verb,
                                  const std::string& file, int show) = 0;
    // SendMessageA.
    virtual intptr_t SendMessage(WindowHandle window, unsigned message, uintptr_t wParam,
                                 intptr_t lParam) = 0;
};

struct Platform {
    SystemInfo& system;
    Files& files;
    Shell& shell;
    Disks& disks;
    Registry& registry;
    Gdi& gdi;
    Messages& messages;
    Ui& ui;
};

// The implementation in use. The exe installs the Win32 one at start; tests install a fake.
Platform& Current();

class ScopedPlatform {
  public:
    explicit ScopedPlatform(Platform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

  private:
    Platform* previous_;
};

}  // namespace platform

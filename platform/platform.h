// The seam between the installer's logic and Windows.
//
// Each interface mirrors the system calls the program makes in one area, with the same arguments
// and results, so the logic reads like the procedure it carries out. The exe plugs in the Win32
// implementation; the unit tests plug in an in-memory fake that can make any call fail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using WindowHandle = void*;
using InstanceHandle = void*;
using ShellAllocator = void*;  // the shell's task allocator (IMalloc)
using ItemList = void*;        // a shell item id list (PIDLIST_ABSOLUTE)

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
    // GetWindowsDirectoryA.
    virtual std::string GetWindowsDirectory() = 0;
    // fopen in text mode for reading; null when it cannot be opened.
    virtual std::unique_ptr<TextFile> OpenTextFile(const std::string& path) = 0;
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
    virtual intptr_t SendDlgItemMessage(WindowHandle dialog, int id, unsigned message,
                                        uintptr_t wParam, intptr_t lParam) = 0;
    // EnableWindow on GetDlgItem.
    virtual bool EnableDlgItem(WindowHandle dialog, int id, bool enable) = 0;
    // SendMessageA.
    virtual intptr_t SendMessage(WindowHandle window, unsigned message, uintptr_t wParam,
                                 intptr_t lParam) = 0;
};

struct Platform {
    SystemInfo& system;
    Files& files;
    Shell& shell;
    Disks& disks;
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

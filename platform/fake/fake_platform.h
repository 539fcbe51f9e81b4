// An in-memory Windows for the unit tests: a file system, the shell's special folders, disks and
// network connections, message boxes and dialogs. Every call is logged, and any call can be made
// to fail, so each failure path of the logic can be walked.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_constants.h"
#include "platform/platform.h"

namespace fake {

struct FakeControl {
    std::string text;
    std::vector<std::string> texts;  // every text set, in order
    bool enabled = true;
    uintptr_t check = 0;
    std::vector<std::string> items;
    intptr_t position = 0;            // a progress bar's position
    std::vector<intptr_t> positions;  // every position set, in order
    std::vector<bool> selected;       // per item, for a multiple-selection list box
};

struct FakeDialog {
    int templateId = 0;
    platform::WindowHandle owner = nullptr;
    std::map<int, FakeControl> controls;
    bool ended = false;
    intptr_t result = 0;
    bool modeless = false;
    bool destroyed = false;
    intptr_t userData = 0;  // DWLP_USER
};

struct RegistryValue {
    std::string name;
    uint32_t type = 1;  // REG_SZ
    std::string data;   // the bytes as stored, a string's terminator included
};

// One SHBrowseForFolderA call: what it was given, and the browser window it stood for.
struct BrowseCall {
    platform::BrowseInfo info;
    std::string title;  // info.title, copied while it was valid
    platform::WindowHandle browser = nullptr;
    std::string selection;  // where BFFM_SETSELECTIONA moved the browser ("" if nowhere)
};

struct MessageBoxCall {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned style;
};

class FakePlatform final : public platform::SystemInfo,
                           public platform::Files,
                           public platform::Shell,
                           public platform::Disks,
                           public platform::Registry,
                           public platform::Gdi,
                           public platform::Messages,
                           public platform::Ui {
  public:
    FakePlatform();
    platform::Platform& Platform() { return platform_; }

    // --- what the tests arrange -------------------------------------------------------------

    // A call named as Win32 names it ("CreateDirectoryA") fails every time; with an argument,
    // only for that path (compared without regard to case).
    void Fail(const std::string& call, const std::string& argument = "");

    std::optional<platform::OsVersion> version = platform::OsVersion{6, 1, 7601, 2};
    std::string modulePath = "C:\\Package\\FontInstaller.exe";

    std::string currentDirectory = "C:\\";
    std::string windowsDirectory = "C:\\WINDOWS";
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& contents);
    // A file whose size is reported as given, whatever its contents.
    void AddFileOfSize(const std::string& path, uint64_t size);
    // Keeps the file's contents but reports another size, as for a file that grew after it was
    // measured.
    void ReportSize(const std::string& path, uint64_t size);
    bool FolderExists(const std::string& path) const;
    bool FileExists(const std::string& path) const;
    // After this many lines, reading the file fails as a read error would.
    void FailReadingAfter(const std::string& path, int lines);
    // After this many bytes, reading the file as a stream fails as a read error would.
    void FailStreamReadAfter(const std::string& path, uint64_t bytes);
    // Writes to the file beyond this many bytes fall short, as on a full disk.
    void LimitWrites(const std::string& path, uint64_t bytes);
    std::string Contents(const std::string& path) const;
    // The security descriptor the file or folder was created with; null when none was given.
    const platform::SecurityDescriptor* SecurityOf(const std::string& path) const;
    // Makes folder, at any level of a path, a junction to target: every path through folder leads
    // into target. Opened as itself, the junction is a reparse point (IO_REPARSE_TAG_MOUNT_POINT)
    // with an owner and DACL of its own, which pass (target has its own). False, and nothing
    // changes, while the folder or anything below it is held (see OpenHeld), as on Windows.
    bool AddJunction(const std::string& folder, const std::string& target);
    // A link as Wine shows a Unix link to a folder: the listing (FindFirstFileA) calls it a
    // reparse point, but a handle opened on it is what it leads to (attributes, owner, DACL).
    void AddUnixLink(const std::string& folder, const std::string& target);
    // False: share modes do not protect what is held, as when another user's move comes from
    // outside Windows (a Unix process under Wine) or through a server that ignores them.
    bool honoursShareModes = true;
    // Whether a handle of OpenHeld holds the file or folder now.
    bool IsHeld(const std::string& path) const;
    // Makes a file a reparse point with this tag: a file the system compressed, deduplicated or
    // keeps in the cloud, or a symbolic link (a name surrogate).
    void SetReparseTag(const std::string& path, uint32_t tag);
    // False: a system before Vista, without GetFinalPathNameByHandleA.
    bool hasFinalPathName = true;
    // False: the 9x family, which can delete a file only by its path (DeleteFileA).
    bool hasDeleteByHandle = true;
    // True: a server that answers 0 for every file's index. Each drive and share is a volume of
    // its own serial number.
    bool zeroFileIds = false;
    // One file whose index is answered as 0, as a server may give for some of its files.
    void GiveZeroId(const std::string& path);
    // The owner and DACL a file, folder or drive root ("C:\") reads as. Without one: owned by
    // Administrators, full control for SYSTEM and Administrators, read and execute for Users,
    // as a folder the installer protects.
    void SetSecurity(const std::string& path, const platform::FileSecurity& security);
    // False: the 9x family, which has no ACLs.
    bool hasAcls = true;
    // Another spelling of a folder, as Windows knows several: an 8.3 short name
    // (C:\PACKAG~1 for C:\Package Files) or a drive mapped to a share (Z: for \\srv\share).
    // Files reached through either are the same files; the full path of each spelling stays as
    // written.
    void AddAlias(const std::string& alias, const std::string& real);
    // The full path Windows would make of path against the current folder.
    std::string FullPath(const std::string& path) const { return Resolve(path); }

    std::map<int, std::string> specialFolders;  // csidl -> path
    int pathFromIdListResult = 1;

    bool hasFreeSpaceEx = true;
    std::map<std::string, uint64_t> freeBytesEx;  // folder path -> free bytes
    std::set<char> usedDriveLetters = {'C'};
    std::map<std::string, platform::DiskGeometry> geometries;  // root -> clusters
    std::set<std::string> connections;                         // local names now connected

    // The registry under HKEY_LOCAL_MACHINE: key path -> values in enumeration order. Keys and
    // value names compare without regard to case.
    void AddKey(const std::string& path);
    void RemoveKey(const std::string& path);
    void SetRegistryValue(const std::string& path, const std::string& name, const std::string& data,
                          uint32_t type = 1);
    // A string value as RegSetValueExA stores it, terminator included.
    void AddStringValue(const std::string& path, const std::string& name, const std::string& data);
    const std::vector<RegistryValue>* Values(const std::string& path) const;
    // Keys that open for reading only: asking for more is refused, as for a user without rights.
    std::set<std::string> readOnlyKeys;
    int liveKeys = 0;

    // The font families GDI reports, in order.
    std::vector<std::string> fontFamilies;
    int liveDeviceContexts = 0;
    // Font files loaded with AddFontResourceA (full paths as resolved). A file whose contents
    // begin with kFaceTag names the family it brings: loading adds it to fontFamilies, removing
    // takes it away again.
    static constexpr const char* kFaceTag = "FACE=";
    std::vector<std::string> loadedFonts;
    bool FontLoaded(const std::string& path) const;

    // The thread's message queue. onPeekMessage runs at the start of every PeekMessageA with the
    // number of that call (from 1), so a test can post a click at a chosen moment.
    std::deque<platform::Message> messageQueue;
    std::function<void(int)> onPeekMessage;
    int peekCount = 0;
    void PostCommand(platform::WindowHandle window, int id);
    void PostKey(platform::WindowHandle window, uintptr_t virtualKey);

    int messageBoxAnswer = 1;
    // What the user does in the folder browser: cancel (nullopt) or pick an item. An empty path
    // stands for an item without a file-system path, such as the Control Panel.
    std::optional<std::string> browseChoice;

    // Runs while a dialog is open, after WM_INITDIALOG: plays the user.
    std::function<void(platform::WindowHandle, FakeDialog&)> onDialogShown;

    // --- what the tests inspect -------------------------------------------------------------

    std::vector<std::string> calls;
    // Runs as each call is logged, before it acts, with the log entry: another user's move at the
    // moment the installer makes that call.
    std::function<void(const std::string&)> onCall;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<std::unique_ptr<FakeDialog>> dialogs;
    std::vector<BrowseCall> browses;
    int liveAllocators = 0;
    int liveItemLists = 0;

    // Sends WM_COMMAND with a control id to an open dialog, as a click would.
    intptr_t SendCommand(platform::WindowHandle dialog, int id);

    // --- the seam ---------------------------------------------------------------------------

    bool GetVersionEx(platform::OsVersion& out) override;
    uint32_t GetModuleFileName(platform::InstanceHandle instance, char* buffer,
                               uint32_t size) override;

    bool FindFirstFile(const std::string& path, uint32_t& attributes) override;
    bool GetFileSize(const std::string& path, uint32_t& size) override;
    bool CreateDirectory(const std::string& path) override;
    bool CreateProtectedDirectory(const std::string& path,
                                  const platform::SecurityDescriptor& descriptor) override;
    std::unique_ptr<platform::NewFile> CreateNewFile(
        const std::string& path, const platform::SecurityDescriptor* descriptor) override;
    platform::FinalPathRead GetFinalPathName(const std::string& folder,
                                             std::string& finalPath) override;
    std::string GetWindowsDirectory() override;
    std::unique_ptr<platform::TextFile> OpenTextFile(const std::string& path) override;
    std::unique_ptr<platform::Stream> OpenStream(const std::string& path,
                                                 const char* mode) override;
    platform::DeleteResult DeleteExpectedFile(const std::string& path,
                                              const platform::ExpectedFile& expected) override;
    std::unique_ptr<platform::HeldPath> OpenHeld(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool GetFullPathName(const std::string& path, std::string& fullPath) override;
    bool GetFileIdentity(const std::string& path, platform::FileIdentity& identity) override;

    bool GetMalloc(platform::ShellAllocator& allocator) override;
    bool GetSpecialFolderLocation(int csidl, platform::ItemList& list) override;
    int GetPathFromIDList(platform::ItemList list, std::string& path) override;
    void Free(platform::ShellAllocator allocator, platform::ItemList list) override;
    void Release(platform::ShellAllocator allocator) override;
    platform::ItemList BrowseForFolder(const platform::BrowseInfo& info) override;

    bool HasGetDiskFreeSpaceEx() override;
    int GetDiskFreeSpaceEx(const std::string& directory, uint64_t& freeBytesToCaller) override;
    int GetDiskFreeSpace(const std::string& root, platform::DiskGeometry& geometry) override;
    unsigned GetDriveType(const std::string& root) override;
    unsigned AddConnection(const std::string& remoteName, const std::string& localName) override;
    unsigned CancelConnection(const std::string& localName, bool force) override;

    int32_t OpenKey(const std::string& subKey, uint32_t access, platform::KeyHandle& key) override;
    int32_t CloseKey(platform::KeyHandle key) override;
    int32_t QueryInfoKey(platform::KeyHandle key, platform::KeyInfo& info) override;
    int32_t EnumValue(platform::KeyHandle key, uint32_t index, char* name, uint32_t& nameSize,
                      uint32_t& type, unsigned char* data, uint32_t& dataSize) override;
    int32_t SetValue(platform::KeyHandle key, const std::string& name, uint32_t type,
                     const void* data, uint32_t size) override;
    int32_t DeleteValue(platform::KeyHandle key, const std::string& name) override;

    platform::DeviceContext GetDC(platform::WindowHandle window) override;
    int ReleaseDC(platform::WindowHandle window, platform::DeviceContext context) override;
    int EnumFontFamilies(platform::DeviceContext context, platform::FontFamilyProcedure procedure,
                         intptr_t data) override;
    int AddFontResource(const std::string& path) override;
    bool RemoveFontResource(const std::string& path) override;

    bool PeekMessage(platform::Message& message) override;
    bool IsDialogMessage(platform::WindowHandle dialog, const platform::Message& message) override;
    bool TranslateMessage(const platform::Message& message) override;
    intptr_t DispatchMessage(const platform::Message& message) override;

    int MessageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, unsigned style) override;
    intptr_t DialogBoxParam(platform::InstanceHandle instance, int templateId,
                            platform::WindowHandle owner, platform::DialogProcedure procedure,
                            intptr_t param) override;
    bool EndDialog(platform::WindowHandle dialog, intptr_t result) override;
    bool SetDlgItemText(platform::WindowHandle dialog, int id, const std::string& text) override;
    std::string GetDlgItemText(platform::WindowHandle dialog, int id) override;
    intptr_t SendDlgItemMessage(platform::WindowHandle dialog, int id, unsigned message,
                                uintptr_t wParam, intptr_t lParam) override;
    platform::WindowHandle GetDlgItem(platform::WindowHandle dialog, int id) override;
    void SetDialogUserData(platform::WindowHandle dialog, intptr_t value) override;
    intptr_t GetDialogUserData(platform::WindowHandle dialog) override;
    bool EnableDlgItem(platform::WindowHandle dialog, int id, bool enable) override;
    platform::WindowHandle CreateDialogParam(platform::InstanceHandle instance, int templateId,
                                             platform::WindowHandle owner,
                                             platform::DialogProcedure procedure,
                                             intptr_t param) override;
    bool DestroyWindow(platform::WindowHandle window) override;
    intptr_t SendMessageTimeout(platform::WindowHandle window, unsigned message, uintptr_t wParam,
                                intptr_t lParam, unsigned flags, unsigned timeoutMs) override;
    platform::IconHandle LoadIcon(platform::InstanceHandle instance, int id) override;
    intptr_t ShellExecute(platform::WindowHandle owner, const std::string& verb,
                          const std::string& file, int show) override;
    intptr_t SendMessage(platform::WindowHandle window, unsigned message, uintptr_t wParam,
                         intptr_t lParam) override;

  private:
    struct Node {
        bool folder = false;
        std::string contents;
        std::optional<uint64_t> size;
        int readableLines = -1;  // -1: no read error
        std::optional<uint64_t> readableBytes;
        std::optional<uint64_t> writableBytes;
        std::optional<platform::SecurityDescriptor> security;
        uint32_t reparseTag = 0;
    };
    struct Junction {
        std::string target;       // full path
        bool listedOnly = false;  // a Unix link under Wine: followed even when opened as itself
    };
    class FakeStream;
    class FakeHeldPath;

    bool Fails(const std::string& call, const std::string& argument = "") const;
    void Log(const std::string& call, const std::string& argument);
    // A window message as the log shows it: "0x185 1 3".
    static std::string MessageText(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The full path as Windows would resolve it.
    std::string Resolve(const std::string& path) const;
    // The full path with "." and ".." gone and separators made "\", no link followed.
    std::string Normalize(const std::string& path) const;
    // A full path with every junction along it followed.
    std::string Follow(const std::string& full) const;
    // The full path of what a path names opened as itself: every junction above it followed, a
    // junction at its end not.
    std::string AsItself(const std::string& path) const;
    // The junction path names, opened as itself; null when it names none.
    const Junction* JunctionAt(const std::string& path) const;
    // GetFinalPathNameByHandleA on a handle opened on path: answer, unless the system lacks the
    // call or it is made to fail.
    platform::FinalPathRead AnswerFinalPath(const std::string& path, const std::string& answer,
                                            std::string& finalPath);
    // The owner and DACL that the file or folder under a lookup key reads as.
    platform::FileSecurity SecurityAt(const std::string& key, const Node* node) const;
    // Paths, roots and drive names compare without regard to case: ASCII letters fold, double-byte
    // characters stay as they are. Folded paths are the file system's lookup keys.
    static std::string FoldCase(const std::string& text);
    // The file system's lookup key of a path: resolved, folded, and with an alias replaced by
    // the folder it stands for.
    std::string Key(const std::string& path) const;
    const Node* Find(const std::string& path) const;
    bool MakeFolder(const std::string& path, const platform::SecurityDescriptor* descriptor);
    // A new, empty file at full, written through the stream returned.
    std::unique_ptr<FakeStream> StartFile(const std::string& path, const std::string& full,
                                          const platform::SecurityDescriptor* descriptor);
    // The parent of a resolved path may hold new entries: it is a folder, or a drive's root.
    bool ParentExists(const std::string& full) const;
    // The identity of the file under a lookup key, handed out as files are first asked about.
    platform::FileIdentity IdentityOf(const std::string& key);
    FakeDialog* DialogOf(platform::WindowHandle dialog);
    // What a control does with a message, sent through its dialog or to its own handle.
    static intptr_t ControlMessage(FakeControl& control, unsigned message, uintptr_t wParam,
                                   intptr_t lParam);

    platform::Platform platform_;
    std::set<std::string> failures_;
    std::map<std::string, Node> nodes_;  // key -> node
    std::map<platform::ItemList, int> itemLists_;
    std::map<platform::ItemList, std::string> browsedItems_;  // item list -> path ("" virtual)
    std::map<platform::WindowHandle, platform::DialogProcedure> procedures_;
    std::map<std::string, std::vector<RegistryValue>> keys_;  // folded path -> values
    // folded path -> folded value name -> place in keys_
    std::map<std::string, std::map<std::string, std::size_t>> valueIndex_;
    std::map<platform::KeyHandle, std::string> openKeys_;  // handle -> folded path
    std::set<platform::DeviceContext> deviceContexts_;
    std::map<std::string, uint64_t> writeLimits_;  // folded path -> bytes a file may hold
    std::map<std::string, Junction> junctions_;    // folded folder -> where it leads
    std::map<std::string, int> holds_;             // folded full path -> handles holding it
    std::map<std::string, std::string> aliases_;   // folded alias -> folded folder
    std::map<std::string, uint32_t> fileIndexes_;  // key -> file index
    std::set<std::string> zeroIds_;                // keys of files given the index 0
    std::map<std::string, platform::FileSecurity> securities_;  // key -> as SetSecurity set it
    uint32_t nextFileIndex_ = 1;
    uintptr_t nextHandle_ = 0x1000;
};

}  // namespace fake

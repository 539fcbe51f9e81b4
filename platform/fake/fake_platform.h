// An in-memory Windows for the unit tests: a file system, the shell's special folders, disks and
// network connections, message boxes and dialogs. Every call is logged, and any call can be made
// to fail, so each failure path of the logic can be walked.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct FakeControl {
    std::string text;
    bool enabled = true;
    uintptr_t check = 0;
    std::vector<std::string> items;
    std::vector<bool> selected;  // per item, for a multiple-selection list box
};

struct FakeDialog {
    int templateId = 0;
    platform::WindowHandle owner = nullptr;
    std::map<int, FakeControl> controls;
    bool ended = false;
    intptr_t result = 0;
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
    bool FolderExists(const std::string& path) const;
    bool FileExists(const std::string& path) const;
    // After this many lines, reading the file fails as a read error would.
    void FailReadingAfter(const std::string& path, int lines);

    std::map<int, std::string> specialFolders;  // csidl -> path
    int pathFromIdListResult = 1;

    bool hasFreeSpaceEx = true;
    std::map<std::string, uint64_t> freeBytesEx;  // folder path -> free bytes
    std::set<char> usedDriveLetters = {'C'};
    std::map<std::string, platform::DiskGeometry> geometries;  // root -> clusters
    std::set<std::string> connections;                         // local names now connected

    int messageBoxAnswer = 1;
    // What the user does in the folder browser: cancel (nullopt) or pick an item. An empty path
    // stands for an item without a file-system path, such as the Control Panel.
    std::optional<std::string> browseChoice;

    // Runs while a dialog is open, after WM_INITDIALOG: plays the user.
    std::function<void(platform::WindowHandle, FakeDialog&)> onDialogShown;

    // --- what the tests inspect -------------------------------------------------------------

    std::vector<std::string> calls;
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
    std::string GetWindowsDirectory() override;
    std::unique_ptr<platform::TextFile> OpenTextFile(const std::string& path) override;

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

    int MessageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, unsigned style) override;
    intptr_t DialogBoxParam(platform::InstanceHandle instance, int templateId,
                            platform::WindowHandle owner, platform::DialogProcedure procedure,
                            intptr_t param) override;
    bool EndDialog(platform::WindowHandle dialog, intptr_t result) override;
    bool SetDlgItemText(platform::WindowHandle dialog, int id, const std::string& text) override;
    intptr_t SendDlgItemMessage(platform::WindowHandle dialog, int id, unsigned message,
                                uintptr_t wParam, intptr_t lParam) override;
    bool EnableDlgItem(platform::WindowHandle dialog, int id, bool enable) override;
    intptr_t SendMessage(platform::WindowHandle window, unsigned message, uintptr_t wParam,
                         intptr_t lParam) override;

  private:
    struct Node {
        bool folder = false;
        std::string contents;
        std::optional<uint64_t> size;
        int readableLines = -1;  // -1: no read error
    };

    bool Fails(const std::string& call, const std::string& argument = "") const;
    void Log(const std::string& call, const std::string& argument);
    // A window message as the log shows it: "0x185 1 3".
    static std::string MessageText(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The full path as Windows would resolve it.
    std::string Resolve(const std::string& path) const;
    // Paths, roots and drive names compare without regard to case: ASCII letters fold, double-byte
    // characters stay as they are. Folded paths are the file system's lookup keys.
    static std::string FoldCase(const std::string& text);
    const Node* Find(const std::string& path) const;
    FakeDialog* DialogOf(platform::WindowHandle dialog);

    platform::Platform platform_;
    std::set<std::string> failures_;
    std::map<std::string, Node> nodes_;  // key -> node
    std::map<platform::ItemList, int> itemLists_;
    std::map<platform::ItemList, std::string> browsedItems_;  // item list -> path ("" virtual)
    std::map<platform::WindowHandle, platform::DialogProcedure> procedures_;
    uintptr_t nextHandle_ = 0x1000;
};

}  // namespace fake

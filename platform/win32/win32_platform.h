// The seam implemented with direct Win32 calls: what FontInstaller.exe runs on.
#pragma once

#include <array>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

class Win32SystemInfo final : public SystemInfo {
  public:
    bool GetVersionEx(OsVersion& version) override;
    uint32_t GetModuleFileName(InstanceHandle instance, char* buffer, uint32_t size) override;
};

class Win32Files final : public Files {
  public:
    bool FindFirstFile(const std::string& path, uint32_t& attributes) override;
    bool GetFileSize(const std::string& path, uint32_t& size) override;
    bool CreateDirectory(const std::string& path) override;
    bool CreateProtectedDirectory(const std::string& path,
                                  const SecurityDescriptor& descriptor) override;
    std::unique_ptr<NewFile> CreateNewFile(const std::string& path,
                                           const SecurityDescriptor* descriptor) override;
    FinalPathRead GetFinalPathName(const std::string& folder, std::string& finalPath) override;
    std::string GetWindowsDirectory() override;
    std::unique_ptr<TextFile> OpenTextFile(const std::string& path) override;
    std::unique_ptr<Stream> OpenStream(const std::string& path, const char* mode) override;
    DeleteResult DeleteExpectedFile(const std::string& path, const ExpectedFile& expected) override;
    std::unique_ptr<HeldPath> OpenHeld(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool GetFullPathName(const std::string& path, std::string& fullPath) override;
    bool GetFileIdentity(const std::string& path, FileIdentity& identity) override;
};

class Win32Shell final : public Shell {
  public:
    bool GetMalloc(ShellAllocator& allocator) override;
    bool GetSpecialFolderLocation(int csidl, ItemList& list) override;
    int GetPathFromIDList(ItemList list, std::string& path) override;
    void Free(ShellAllocator allocator, ItemList list) override;
    void Release(ShellAllocator allocator) override;
    ItemList BrowseForFolder(const BrowseInfo& info) override;
};

class Win32Disks : public Disks {
  public:
    bool HasGetDiskFreeSpaceEx() override;
    int GetDiskFreeSpaceEx(const std::string& directory, uint64_t& freeBytesToCaller) override;
    int GetDiskFreeSpace(const std::string& root, DiskGeometry& geometry) override;
    unsigned GetDriveType(const std::string& root) override;
    unsigned AddConnection(const std::string& remoteName, const std::string& localName) override;
    unsigned CancelConnection(const std::string& localName, bool force) override;
};

class Win32Registry final : public Registry {
  public:
    int32_t OpenKey(const std::string& subKey, uint32_t access, KeyHandle& key) override;
    int32_t CloseKey(KeyHandle key) override;
    int32_t QueryInfoKey(KeyHandle key, KeyInfo& info) override;
    int32_t EnumValue(KeyHandle key, uint32_t index, char* name, uint32_t& nameSize, uint32_t& type,
                      unsigned char* data, uint32_t& dataSize) override;
    int32_t SetValue(KeyHandle key, const std::string& name, uint32_t type, const void* data,
                     uint32_t size) override;
    int32_t DeleteValue(KeyHandle key, const std::string& name) override;
};

class Win32Gdi final : public Gdi {
  public:
    DeviceContext GetDC(WindowHandle window) override;
    int ReleaseDC(WindowHandle window, DeviceContext context) override;
    int EnumFontFamilies(DeviceContext context, FontFamilyProcedure procedure,
                         intptr_t data) override;
    int AddFontResource(const std::string& path) override;
    bool RemoveFontResource(const std::string& path) override;
};

class Win32Messages final : public Messages {
  public:
    bool PeekMessage(Message& message) override;
    bool IsDialogMessage(WindowHandle dialog, const Message& message) override;
    bool TranslateMessage(const Message& message) override;
    intptr_t DispatchMessage(const Message& message) override;
};

class Win32Ui final : public Ui {
  public:
    int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    intptr_t DialogBoxParam(InstanceHandle instance, int templateId, WindowHandle owner,
                            DialogProcedure procedure, intptr_t param) override;
    bool EndDialog(WindowHandle dialog, intptr_t result) override;
    bool SetDlgItemText(WindowHandle dialog, int id, const std::string& text) override;
    std::string GetDlgItemText(WindowHandle dialog, int id) override;
    intptr_t SendDlgItemMessage(WindowHandle dialog, int id, unsigned message, uintptr_t wParam,
                                intptr_t lParam) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override;
    void SetDialogUserData(WindowHandle dialog, intptr_t value) override;
    intptr_t GetDialogUserData(WindowHandle dialog) override;
    bool EnableDlgItem(WindowHandle dialog, int id, bool enable) override;
    WindowHandle CreateDialogParam(InstanceHandle instance, int templateId, WindowHandle owner,
                                   DialogProcedure procedure, intptr_t param) override;
    bool DestroyWindow(WindowHandle window) override;
    intptr_t SendMessageTimeout(WindowHandle window, unsigned message, uintptr_t wParam,
                                intptr_t lParam, unsigned flags, unsigned timeoutMs) override;
    IconHandle LoadIcon(InstanceHandle instance, int id) override;
    intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                          int show) override;
    intptr_t SendMessage(WindowHandle window, unsigned message, uintptr_t wParam,
                         intptr_t lParam) override;
};

// Every area at once, as the exe uses them.
class Win32Platform {
  public:
    Win32Platform() : platform_{system_, files_, shell_, disks_, registry_, gdi_, messages_, ui_} {}
    Platform& Get() { return platform_; }

  private:
    Win32SystemInfo system_;
    Win32Files files_;
    Win32Shell shell_;
    Win32Disks disks_;
    Win32Registry registry_;
    Win32Gdi gdi_;
    Win32Messages messages_;
    Win32Ui ui_;
    Platform platform_;
};

// A function of a system library the program has already loaded (kernel32.dll, advapi32.dll),
// looked up by name; null when the running system lacks it.
FARPROC LoadedSystemFunction(const char* module, const char* name);

// GetSecurityInfo on a handle opened with READ_CONTROL: its owner and the entries of its DACL
// that allow, each SID read as a Trustee.
SecurityRead SecurityOf(HANDLE handle, FileSecurity& security);

// SECURITY_ATTRIBUTES that carry a descriptor, valid while this lives.
class SecurityAttributes {
  public:
    explicit SecurityAttributes(const SecurityDescriptor& descriptor);
    ~SecurityAttributes();
    SecurityAttributes(const SecurityAttributes&) = delete;
    SecurityAttributes& operator=(const SecurityAttributes&) = delete;

    // Null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Get() { return built_ ? &attributes_ : nullptr; }

  private:
    SECURITY_ATTRIBUTES attributes_ = {};
    SECURITY_DESCRIPTOR descriptor_ = {};
    std::vector<PSID> sids_;
    std::vector<DWORD> acl_;  // an ACL is DWORD-aligned
    bool built_ = false;
};

// Where LoadLibrary looks for a library named without a path.
enum class LibrarySearch {
    SystemFolderOnly,      // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
    WithoutCurrentFolder,  // SetDllDirectoryA(""): the program's folder, then the system's
    Unchanged,             // neither call exists (the oldest systems)
};

// Keeps libraries planted beside the installer (a Downloads folder, say) from being loaded in
// place of the system's own. Call first thing, before anything may load a library.
LibrarySearch RestrictLibrarySearch();

// Registers the common-control classes the dialogs use (the copy progress bar).
void InitDialogControls();

// The lead bytes of the system's ANSI code page, as IsDBCSLeadByte tells them.
std::array<bool, 256> SystemLeadBytes();

}  // namespace platform::win32

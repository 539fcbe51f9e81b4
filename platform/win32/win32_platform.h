// The seam implemented with direct Win32 calls: what FontInstaller.exe runs on.
#pragma once

#include <array>

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
    std::string GetWindowsDirectory() override;
    std::unique_ptr<TextFile> OpenTextFile(const std::string& path) override;
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

class Win32Ui final : public Ui {
  public:
    int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    intptr_t DialogBoxParam(InstanceHandle instance, int templateId, WindowHandle owner,
                            DialogProcedure procedure, intptr_t param) override;
    bool EndDialog(WindowHandle dialog, intptr_t result) override;
    bool SetDlgItemText(WindowHandle dialog, int id, const std::string& text) override;
    intptr_t SendDlgItemMessage(WindowHandle dialog, int id, unsigned message, uintptr_t wParam,
                                intptr_t lParam) override;
    bool EnableDlgItem(WindowHandle dialog, int id, bool enable) override;
    intptr_t SendMessage(WindowHandle window, unsigned message, uintptr_t wParam,
                         intptr_t lParam) override;
};

// Every area at once, as the exe uses them.
class Win32Platform {
  public:
    Win32Platform() : platform_{system_, files_, shell_, disks_, ui_} {}
    Platform& Get() { return platform_; }

  private:
    Win32SystemInfo system_;
    Win32Files files_;
    Win32Shell shell_;
    Win32Disks disks_;
    Win32Ui ui_;
    Platform platform_;
};

// Registers the common-control classes the dialogs use (the copy progress bar).
void InitDialogControls();

// The lead bytes of the system's ANSI code page, as IsDBCSLeadByte tells them.
std::array<bool, 256> SystemLeadBytes();

}  // namespace platform::win32

// The seam for benchmarks on this machine: real files through the C library, and a message
// queue and an interface that cost nothing, so that only the installer's own work is timed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace bench {

class NativeFiles final : public platform::Files {
  public:
    bool FindFirstFile(const std::string& path, uint32_t& attributes) override;
    bool GetFileSize(const std::string& path, uint32_t& size) override;
    bool CreateDirectory(const std::string& path) override;
    bool CreateProtectedDirectory(const std::string& path,
                                  const platform::SecurityDescriptor&) override {
        return CreateDirectory(path);
    }
    std::unique_ptr<platform::NewFile> CreateNewFile(
        const std::string& path, const platform::SecurityDescriptor* descriptor) override;
    platform::FinalPathRead GetFinalPathName(const std::string&, std::string&) override {
        return platform::FinalPathRead::NoCall;
    }
    std::string GetWindowsDirectory() override { return std::string(); }
    std::unique_ptr<platform::TextFile> OpenTextFile(const std::string& path) override;
    std::unique_ptr<platform::Stream> OpenStream(const std::string& path,
                                                 const char* mode) override;
    platform::DeleteResult DeleteExpectedFile(const std::string& path,
                                              const platform::ExpectedFile& expected) override;
    std::unique_ptr<platform::HeldPath> OpenHeld(const std::string&) override { return nullptr; }
    bool SetCurrentDirectory(const std::string&) override { return true; }
    bool GetFullPathName(const std::string&, std::string&) override { return false; }
    bool GetFileIdentity(const std::string&, platform::FileIdentity&) override { return false; }
};

// A queue that is always empty. Counts the peeks; onPeek may raise the cancel flag at a chosen
// peek, as a click on Cancel would.
class QuietMessages final : public platform::Messages {
  public:
    bool PeekMessage(platform::Message&) override {
        ++peeks;
        if (onPeek) {
            onPeek(peeks);
        }
        return false;
    }
    bool IsDialogMessage(platform::WindowHandle, const platform::Message&) override {
        return false;
    }
    bool TranslateMessage(const platform::Message&) override { return false; }
    intptr_t DispatchMessage(const platform::Message&) override { return 0; }

    uint64_t peeks = 0;
    std::function<void(uint64_t)> onPeek;
};

// Windows that take every call and show nothing.
class QuietUi final : public platform::Ui {
  public:
    int MessageBox(platform::WindowHandle, const std::string&, const std::string&,
                   unsigned) override {
        ++messageBoxes;
        return 1;
    }
    intptr_t DialogBoxParam(platform::InstanceHandle, int, platform::WindowHandle,
                            platform::DialogProcedure, intptr_t) override {
        return -1;
    }
    bool EndDialog(platform::WindowHandle, intptr_t) override { return true; }
    bool SetDlgItemText(platform::WindowHandle, int, const std::string&) override { return true; }
    std::string GetDlgItemText(platform::WindowHandle, int) override { return std::string(); }
    intptr_t SendDlgItemMessage(platform::WindowHandle, int, unsigned, uintptr_t,
                                intptr_t) override {
        return 0;
    }
    platform::WindowHandle GetDlgItem(platform::WindowHandle, int) override { return nullptr; }
    void SetDialogUserData(platform::WindowHandle, intptr_t) override {}
    intptr_t GetDialogUserData(platform::WindowHandle) override { return 0; }
    bool EnableDlgItem(platform::WindowHandle, int, bool) override { return true; }
    platform::WindowHandle CreateDialogParam(platform::InstanceHandle, int, platform::WindowHandle,
                                             platform::DialogProcedure, intptr_t) override {
        return nullptr;
    }
    bool DestroyWindow(platform::WindowHandle) override { return true; }
    intptr_t SendMessageTimeout(platform::WindowHandle, unsigned, uintptr_t, intptr_t, unsigned,
                                unsigned) override {
        return 1;
    }
    platform::IconHandle LoadIcon(platform::InstanceHandle, int) override { return nullptr; }
    intptr_t ShellExecute(platform::WindowHandle, const std::string&, const std::string&,
                          int) override {
        return 42;
    }
    intptr_t SendMessage(platform::WindowHandle, unsigned, uintptr_t, intptr_t) override {
        return 0;
    }

    int messageBoxes = 0;
};

}  // namespace bench

#include "platform/win32/windows_api.h"

#include <cstdio>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

class Win32TextFile final : public TextFile {
  public:
    explicit Win32TextFile(FILE* file) : file_(file) {}
    ~Win32TextFile() override { std::fclose(file_); }
    Win32TextFile(const Win32TextFile&) = delete;
    Win32TextFile& operator=(const Win32TextFile&) = delete;

    bool ReadLine(char* buffer, int size) override {
        return std::fgets(buffer, size, file_) != nullptr;
    }

  private:
    FILE* file_;
};

}  // namespace

bool Win32Files::FindFirstFile(const std::string& path, uint32_t& attributes) {
    WIN32_FIND_DATAA data = {};
    HANDLE search = ::FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(search);
    attributes = data.dwFileAttributes;
    return true;
}

bool Win32Files::GetFileSize(const std::string& path, uint32_t& size) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    size = ::GetFileSize(file, nullptr);
    ::CloseHandle(file);
    return true;
}

bool Win32Files::CreateDirectory(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

std::string Win32Files::GetWindowsDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    return std::string(buffer, length);
}

std::unique_ptr<TextFile> Win32Files::OpenTextFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<Win32TextFile>(file);
}

}  // namespace platform::win32

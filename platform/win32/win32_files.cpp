#include "platform/win32/windows_api.h"

#include <cstdio>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

class Win32TextFile final : public TextFile {
  public:
    explicit Win32TextFile(FILE* file) : file_(file) {}
    ~Win32TextFile() override { static_cast<void>(std::fclose(file_)); }
    Win32TextFile(const Win32TextFile&) = delete;
    Win32TextFile& operator=(const Win32TextFile&) = delete;

    bool ReadLine(char* buffer, int size) override {
        return std::fgets(buffer, size, file_) != nullptr;
    }

  private:
    FILE* file_;
};

class Win32Stream final : public Stream {
  public:
    explicit Win32Stream(FILE* file) : file_(file) {}
    ~Win32Stream() override { CloseFile(); }
    Win32Stream(const Win32Stream&) = delete;
    Win32Stream& operator=(const Win32Stream&) = delete;

    std::size_t Read(void* buffer, std::size_t size) override {
        return std::fread(buffer, 1, size, file_);
    }
    std::size_t Write(const void* buffer, std::size_t size) override {
        return std::fwrite(buffer, 1, size, file_);
    }
    bool Error() override { return std::ferror(file_) != 0; }
    int Close() override { return CloseFile(); }

  private:
    int CloseFile() {
        if (file_ == nullptr) {
            return 0;
        }
        const int result = std::fclose(file_);
        file_ = nullptr;
        return result;
    }

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

std::unique_ptr<Stream> Win32Files::OpenStream(const std::string& path, const char* mode) {
    FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<Win32Stream>(file);
}

bool Win32Files::DeleteFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32Files::SetCurrentDirectory(const std::string& path) {
    return ::SetCurrentDirectoryA(path.c_str()) != 0;
}

bool Win32Files::GetFullPathName(const std::string& path, std::string& fullPath) {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    fullPath.assign(buffer, length);
    return true;
}

}  // namespace platform::win32

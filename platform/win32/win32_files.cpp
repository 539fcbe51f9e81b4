#include "platform/win32/windows_api.h"

#include "platform/stdio_files.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

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
    return OpenStdioTextFile(path, "rt");
}

std::unique_ptr<Stream> Win32Files::OpenStream(const std::string& path, const char* mode) {
    return OpenStdioStream(path, mode);
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

bool Win32Files::GetFileIdentity(const std::string& path, FileIdentity& identity) {
    // No access is asked for, so a font file that GDI holds open still answers. The 9x family
    // refuses FILE_SHARE_DELETE.
    HANDLE file = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool known = ::GetFileInformationByHandle(file, &information) != 0;
    ::CloseHandle(file);
    if (!known) {
        return false;
    }
    identity.volumeSerial = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    return true;
}

}  // namespace platform::win32

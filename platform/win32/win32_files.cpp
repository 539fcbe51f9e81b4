#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>

#include "platform/stdio_files.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

// Both came with Vista: looked up, so the program still starts on the systems before it.
using GetFinalPathNameByHandleAFunction = decltype(&::GetFinalPathNameByHandleA);
using SetFileInformationByHandleFunction = decltype(&::SetFileInformationByHandle);

GetFinalPathNameByHandleAFunction FinalPathCall() {
    return reinterpret_cast<GetFinalPathNameByHandleAFunction>(
        reinterpret_cast<void*>(LoadedSystemFunction("kernel32.dll", "GetFinalPathNameByHandleA")));
}

SetFileInformationByHandleFunction FileInformationCall() {
    return reinterpret_cast<SetFileInformationByHandleFunction>(reinterpret_cast<void*>(
        LoadedSystemFunction("kernel32.dll", "SetFileInformationByHandle")));
}

bool FinalPathOf(HANDLE handle, std::string& finalPath) {
    const GetFinalPathNameByHandleAFunction query = FinalPathCall();
    if (query == nullptr) {
        return false;
    }
    // The answer carries the \\?\ prefix and may exceed MAX_PATH; a short buffer is told the size.
    std::string buffer(MAX_PATH + 8, '\0');
    DWORD length = query(handle, &buffer[0], static_cast<DWORD>(buffer.size()),
                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= buffer.size()) {
        buffer.assign(length + 1, '\0');
        length = query(handle, &buffer[0], static_cast<DWORD>(buffer.size()),
                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= buffer.size()) {
        return false;
    }
    finalPath.assign(buffer.data(), length);
    return true;
}

bool MarkForDeletion(HANDLE handle) {
    const SetFileInformationByHandleFunction set = FileInformationCall();
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return set != nullptr &&
           set(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// The C stream over the handle that created the file; closing the stream closes the handle.
class Win32NewFile final : public StdioNewFile {
  public:
    Win32NewFile(HANDLE handle, FILE* file) : StdioNewFile(file), handle_(handle) {}

    bool GetFinalPathName(std::string& finalPath) override {
        return FinalPathOf(handle_, finalPath);
    }
    bool DeleteOnClose() override { return MarkForDeletion(handle_); }

  private:
    HANDLE handle_;
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

bool Win32Files::CreateProtectedDirectory(const std::string& path,
                                          const SecurityDescriptor& descriptor) {
    SecurityAttributes attributes(descriptor);
    // A folder that cannot be protected is not created at all.
    return attributes.Get() != nullptr && ::CreateDirectoryA(path.c_str(), attributes.Get()) != 0;
}

std::unique_ptr<NewFile> Win32Files::CreateNewFile(const std::string& path,
                                                   const SecurityDescriptor* descriptor) {
    std::optional<SecurityAttributes> attributes;
    SECURITY_ATTRIBUTES* security = nullptr;
    if (descriptor != nullptr) {
        security = attributes.emplace(*descriptor).Get();
        if (security == nullptr) {
            return nullptr;
        }
    }
    // Deleting through the handle needs the right to delete, asked only where the call exists.
    const DWORD access = GENERIC_WRITE | (FileInformationCall() != nullptr ? DELETE : 0);
    HANDLE handle = ::CreateFileA(path.c_str(), access, 0, security, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const int number = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    FILE* file = number == -1 ? nullptr : _fdopen(number, "wb");
    if (file == nullptr) {
        // Nothing was written: the file goes with its handle.
        MarkForDeletion(handle);
        if (number == -1) {
            ::CloseHandle(handle);
        } else {
            _close(number);
        }
        return nullptr;
    }
    return std::make_unique<Win32NewFile>(handle, file);
}

bool Win32Files::GetFinalPathName(const std::string& folder, std::string& finalPath) {
    if (FinalPathCall() == nullptr) {
        return false;
    }
    HANDLE handle = ::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool found = FinalPathOf(handle, finalPath);
    ::CloseHandle(handle);
    return found;
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

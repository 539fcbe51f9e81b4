#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>
#include <winioctl.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "common/cp932.h"
#include "platform/stdio_files.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

// These came with Vista: looked up, so the program still starts on the systems before it.
using GetFinalPathNameByHandleAFunction = decltype(&::GetFinalPathNameByHandleA);
using SetFileInformationByHandleFunction = decltype(&::SetFileInformationByHandle);
using GetFileInformationByHandleExFunction = decltype(&::GetFileInformationByHandleEx);

// NtSetInformationFile, which every NT system has; the Vista call above is built on it.
struct IoStatus {
    void* status;
    ULONG_PTR information;
};
using NtSetInformationFileFunction = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, ULONG);
constexpr ULONG kFileDispositionInformation = 13;

template <typename Function>
Function Kernel32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(LoadedSystemFunction("kernel32.dll", name)));
}

GetFinalPathNameByHandleAFunction FinalPathCall() {
    return Kernel32<GetFinalPathNameByHandleAFunction>("GetFinalPathNameByHandleA");
}

SetFileInformationByHandleFunction FileInformationCall() {
    return Kernel32<SetFileInformationByHandleFunction>("SetFileInformationByHandle");
}

NtSetInformationFileFunction NtFileInformationCall() {
    return reinterpret_cast<NtSetInformationFileFunction>(
        reinterpret_cast<void*>(LoadedSystemFunction("ntdll.dll", "NtSetInformationFile")));
}

// Whether a file can be deleted through a handle: the NT family can, the 9x family cannot.
bool CanDeleteByHandle() {
    return FileInformationCall() != nullptr || NtFileInformationCall() != nullptr;
}

FinalPathRead FinalPathOf(HANDLE handle, std::string& finalPath) {
    const GetFinalPathNameByHandleAFunction query = FinalPathCall();
    if (query == nullptr) {
        return FinalPathRead::NoCall;
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
        return FinalPathRead::Failed;
    }
    finalPath.assign(buffer.data(), length);
    return FinalPathRead::Read;
}

bool MarkForDeletion(HANDLE handle) {
    if (const SetFileInformationByHandleFunction set = FileInformationCall(); set != nullptr) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        return set(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
    }
    if (const NtSetInformationFileFunction set = NtFileInformationCall(); set != nullptr) {
        BOOLEAN deleteFile = TRUE;
        IoStatus status = {};
        return set(handle, &status, &deleteFile, sizeof deleteFile, kFileDispositionInformation) >=
               0;
    }
    return false;
}

// The 128-bit id where the system has FileIdInfo (Windows 8 on; ReFS needs it), else the 64-bit
// index.
bool IdentityOf(HANDLE handle, FileIdentity& identity) {
    const auto query =
        Kernel32<GetFileInformationByHandleExFunction>("GetFileInformationByHandleEx");
    FILE_ID_INFO id = {};
    if (query != nullptr && query(handle, FileIdInfo, &id, sizeof id) != 0) {
        FileIdentity found;
        found.volumeSerial = id.VolumeSerialNumber;
        for (int i = 0; i < 8; ++i) {
            found.idLow |= static_cast<uint64_t>(id.FileId.Identifier[i]) << (8 * i);
            found.idHigh |= static_cast<uint64_t>(id.FileId.Identifier[8 + i]) << (8 * i);
        }
        identity = found;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (::GetFileInformationByHandle(handle, &information) == 0) {
        return false;
    }
    FileIdentity found;
    found.volumeSerial = information.dwVolumeSerialNumber;
    found.idLow =
        (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    identity = found;
    return true;
}

// The attributes, and a reparse point's tag (0 for anything else), asked on the handle: in one
// call from Vista on, else by FSCTL_GET_REPARSE_POINT, which every system with reparse points has.
bool AttributeTagOf(HANDLE handle, uint32_t& attributes, uint32_t& reparseTag) {
    const auto query =
        Kernel32<GetFileInformationByHandleExFunction>("GetFileInformationByHandleEx");
    if (query != nullptr) {
        FILE_ATTRIBUTE_TAG_INFO tag = {};
        if (query(handle, FileAttributeTagInfo, &tag, sizeof tag) == 0) {
            return false;
        }
        attributes = tag.FileAttributes;
        reparseTag = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? tag.ReparseTag : 0;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (::GetFileInformationByHandle(handle, &information) == 0) {
        return false;
    }
    attributes = information.dwFileAttributes;
    reparseTag = 0;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return true;
    }
    // The tag is the first field of the reparse data, which may be up to 16 KiB.
    const DWORD size = MAXIMUM_REPARSE_DATA_BUFFER_SIZE;
    std::vector<DWORD> data(size / sizeof(DWORD));
    DWORD returned = 0;
    if (::DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), size, &returned,
                          nullptr) == 0 ||
        returned < sizeof(DWORD)) {
        return false;
    }
    reparseTag = data[0];
    return true;
}

// Whether the final path of a file lies directly in folder (a final path ending in "\").
bool LiesDirectlyIn(const std::string& finalPath, const std::string& folder) {
    const std::size_t slash = cp932::FindLastBackslash(finalPath);
    return slash != std::string::npos &&
           cp932::EqualsIgnoreCase(finalPath.substr(0, slash + 1), folder);
}

// The C stream over the handle that created the file; closing the stream closes the handle.
class Win32NewFile final : public StdioNewFile {
  public:
    Win32NewFile(HANDLE handle, FILE* file) : StdioNewFile(file), handle_(handle) {}

    FinalPathRead GetFinalPathName(std::string& finalPath) override {
        return FinalPathOf(handle_, finalPath);
    }
    bool DeleteOnClose() override { return MarkForDeletion(handle_); }
    bool GetIdentity(FileIdentity& identity) override { return IdentityOf(handle_, identity); }

  private:
    HANDLE handle_;
};

class Win32HeldPath final : public HeldPath {
  public:
    explicit Win32HeldPath(HANDLE handle) : handle_(handle) {}
    ~Win32HeldPath() override { ::CloseHandle(handle_); }
    Win32HeldPath(const Win32HeldPath&) = delete;
    Win32HeldPath& operator=(const Win32HeldPath&) = delete;

    bool GetAttributeTag(uint32_t& attributes, uint32_t& reparseTag) override {
        return AttributeTagOf(handle_, attributes, reparseTag);
    }
    FinalPathRead GetFinalPathName(std::string& finalPath) override {
        return FinalPathOf(handle_, finalPath);
    }
    bool GetIdentity(FileIdentity& identity) override { return IdentityOf(handle_, identity); }
    SecurityRead GetSecurity(FileSecurity& security) override {
        return SecurityOf(handle_, security);
    }

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
    const DWORD access = GENERIC_WRITE | (CanDeleteByHandle() ? DELETE : 0);
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

FinalPathRead Win32Files::GetFinalPathName(const std::string& folder, std::string& finalPath) {
    if (FinalPathCall() == nullptr) {
        return FinalPathRead::NoCall;
    }
    HANDLE handle = ::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return FinalPathRead::Failed;
    }
    const FinalPathRead found = FinalPathOf(handle, finalPath);
    ::CloseHandle(handle);
    return found;
}

std::unique_ptr<HeldPath> Win32Files::OpenHeld(const std::string& path) {
    // FILE_READ_DATA (listing, for a folder) makes the handle take part in sharing; without
    // FILE_SHARE_DELETE no one may then open what it holds to rename or delete it.
    HANDLE handle =
        ::CreateFileA(path.c_str(), FILE_READ_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32HeldPath>(handle);
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

DeleteResult Win32Files::DeleteExpectedFile(const std::string& path, const ExpectedFile& expected) {
    if (!CanDeleteByHandle()) {
        return ::DeleteFileA(path.c_str()) != 0 ? DeleteResult::Deleted : DeleteResult::Failed;
    }
    // A link at the path is opened as itself, never followed; one along the path is, and the
    // final path tells where it led.
    HANDLE file = ::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return DeleteResult::Failed;
    }
    uint32_t attributes = 0;
    uint32_t tag = 0;
    FileIdentity identity;
    std::string finalPath;
    DeleteResult result = DeleteResult::NotThatFile;
    if (!AttributeTagOf(file, attributes, tag)) {
        result = DeleteResult::Failed;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !IsLink(attributes, tag) &&
               (!expected.identified || (IdentityOf(file, identity) && identity.Known() &&
                                         identity == expected.identity)) &&
               (expected.folder.empty() || (FinalPathOf(file, finalPath) == FinalPathRead::Read &&
                                            LiesDirectlyIn(finalPath, expected.folder)))) {
        result = MarkForDeletion(file) ? DeleteResult::Deleted : DeleteResult::Failed;
    }
    ::CloseHandle(file);
    return result;
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
    const bool known = IdentityOf(file, identity);
    ::CloseHandle(file);
    return known;
}

}  // namespace platform::win32

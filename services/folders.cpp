#include "services/folders.h"

#include "common/cp932.h"
#include "platform/platform.h"
#include "platform/win_constants.h"
#include "process/globals.h"

int PathExists(const std::string& path, int wantFolder) {
    uint32_t attributes = 0;
    if (!platform::Current().files.FindFirstFile(path, attributes)) {
        return 0;
    }
    const bool isFolder = (attributes & win::kFileAttributeDirectory) != 0;
    return (wantFolder != 0) == isFolder ? 1 : 0;
}

int GetSpecialFolderPath(int csidl, std::string& path) {
    platform::Shell& shell = platform::Current().shell;
    platform::ShellAllocator allocator = nullptr;
    if (!shell.GetMalloc(allocator)) {
        return 0;
    }
    platform::ItemList list = nullptr;
    if (!shell.GetSpecialFolderLocation(csidl, list)) {
        shell.Release(allocator);
        return 0;
    }
    std::string found;
    const int result = shell.GetPathFromIDList(list, found) == 1 ? 1 : 0;
    if (result == 1) {
        path = found;
    }
    shell.Free(allocator, list);
    shell.Release(allocator);
    return result;
}

std::string GetFontsFolder() {
    std::string path;
    if (GetSpecialFolderPath(win::kCsidlFonts, path)) {
        return path;
    }
    return platform::Current().files.GetWindowsDirectory() + "\\FONTS";
}

uint32_t QueryFileSize(const std::string& path) {
    uint32_t size = 0;
    if (!platform::Current().files.GetFileSize(path, size)) {
        return kUnknownFileSize;
    }
    return size;
}

namespace {

// Index of the backslash that ends "\\server\share", or npos when path names no share.
std::size_t ShareRootEnd(const std::string& path) {
    if (path.compare(0, 2, "\\\\") != 0) {
        return std::string::npos;
    }
    const std::size_t serverEnd = cp932::FindChar(path, '\\', 2);
    if (serverEnd == std::string::npos) {
        return std::string::npos;
    }
    return cp932::FindChar(path, '\\', serverEnd + 1);
}

}  // namespace

std::size_t RootEnd(const std::string& path) {
    const std::size_t shareEnd = ShareRootEnd(path);
    return shareEnd != std::string::npos ? shareEnd : 2;
}

int CreateFolderTree(const std::string& path) {
    std::string p = path;
    if (!cp932::EndsWithBackslash(p)) {
        p += '\\';
    }
    // On a share, the levels "\", "\\server" and "\\server\share" can neither be found nor
    // created; they are passed over so that an existing share path succeeds.
    const std::size_t shareEnd = ShareRootEnd(p);

    platform::Files& files = platform::Current().files;
    const platform::SecurityDescriptor* protection = FontsFolderProtection(true);
    int result = 1;
    std::string q;
    std::size_t pos = 0;
    while (q + '\\' != p) {
        // The search starts after the character at pos, so a path that begins with a double-byte
        // character whose second byte is 0x5C is not cut inside that character.
        pos = cp932::FindChar(p, '\\', cp932::NextCharIndex(p, pos));
        if (pos == std::string::npos) {
            break;
        }
        q = p.substr(0, pos);
        if (shareEnd != std::string::npos && pos <= shareEnd) {
            continue;
        }
        if (PathExists(q, 1)) {
            continue;
        }
        if (q.size() == 2 && q[1] == ':') {
            continue;
        }
        const bool created = protection != nullptr ? files.CreateProtectedDirectory(q, *protection)
                                                   : files.CreateDirectory(q);
        result = created ? 1 : 0;
    }
    return result;
}

const platform::SecurityDescriptor* FontsFolderProtection(bool forFolder) {
    using platform::Trustee;
    static const auto protection = [](uint8_t aceFlags) {
        return platform::SecurityDescriptor{
            true,
            {{Trustee::LocalSystem, win::kFileAllAccess, aceFlags},
             {Trustee::Administrators, win::kFileAllAccess, aceFlags},
             {Trustee::Users, win::kFileGenericReadExecute, aceFlags}}};
    };
    static const platform::SecurityDescriptor folder =
        protection(win::kObjectInheritAce | win::kContainerInheritAce);
    static const platform::SecurityDescriptor file = protection(0);
    if (PlatformId == 1) {
        return nullptr;
    }
    return forFolder ? &folder : &file;
}

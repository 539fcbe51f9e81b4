#include "services/folders.h"

#include <vector>

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

namespace {

// Who may change what the installer puts in a folder without asking: the user it runs as and the
// system's own accounts.
bool IsTrusted(platform::Trustee trustee) {
    using platform::Trustee;
    return trustee == Trustee::RunningUser || trustee == Trustee::Administrators ||
           trustee == Trustee::LocalSystem || trustee == Trustee::TrustedInstaller;
}

// Whether anyone else may delete, rename or replace the folder or what is in it, or take it
// over: DELETE on it, FILE_DELETE_CHILD on it (its files, and the folders below it), WRITE_DAC
// or WRITE_OWNER, or owning it (an owner may always rewrite the DACL). Adding files or folders
// is allowed: what is added cannot touch what the installer wrote.
bool OthersMayReplace(const platform::FileSecurity& security) {
    if (!IsTrusted(security.owner) || !security.hasDacl) {
        return true;
    }
    for (const platform::AccessAllowed& entry : security.allowed) {
        // An entry only for what is created inside does not apply to the folder itself.
        if ((entry.aceFlags & win::kInheritOnlyAce) != 0 || IsTrusted(entry.trustee)) {
            continue;
        }
        if ((entry.accessMask & (win::kDelete | win::kFileDeleteChild | win::kWriteDac |
                                 win::kWriteOwner | win::kGenericAll)) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool OnlyAdministratorsMayReplace(const std::string& destination) {
    std::string folder = destination;
    if (!cp932::EndsWithBackslash(folder)) {
        folder += '\\';
    }
    // The root of the path: "C:\" or "\\server\share\".
    const std::size_t shareEnd = ShareRootEnd(folder);
    const std::size_t rootEnd = shareEnd != std::string::npos ? shareEnd : 2;
    // The folder and each folder above it, the root last.
    std::vector<std::string> levels;
    for (std::size_t end = folder.size() - 1; end != std::string::npos && end > rootEnd;
         end = cp932::FindLastBackslash(folder.substr(0, end))) {
        levels.push_back(folder.substr(0, end));
    }
    levels.push_back(folder.substr(0, rootEnd + 1));

    platform::Files& files = platform::Current().files;
    for (const std::string& level : levels) {
        // A level still to be created gets the Fonts folder's protection.
        if (level.size() > rootEnd + 1 && PathExists(level, 1) == 0) {
            continue;
        }
        platform::FileSecurity security;
        switch (files.GetFileSecurity(level, security)) {
            case platform::SecurityRead::NoAcls:
                return true;  // the 9x family: no ACLs, nothing to refuse
            case platform::SecurityRead::Failed:
                return false;  // what cannot be read cannot be vouched for
            case platform::SecurityRead::Read:
                break;
        }
        if (OthersMayReplace(security)) {
            return false;
        }
    }
    return true;
}

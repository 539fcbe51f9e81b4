#include "services/destination.h"

#include <utility>

#include "common/cp932.h"
#include "process/globals.h"
#include "services/folders.h"

namespace {

// Who may change what the installer puts in a folder without asking: the user it runs as and the
// system's own accounts.
bool IsTrusted(platform::Trustee trustee) {
    using platform::Trustee;
    return trustee == Trustee::RunningUser || trustee == Trustee::Administrators ||
           trustee == Trustee::LocalSystem || trustee == Trustee::TrustedInstaller;
}

std::string WithBackslash(const std::string& path) {
    return cp932::EndsWithBackslash(path) ? path : path + '\\';
}

}  // namespace

bool OthersMayChange(const platform::FileSecurity& security, uint32_t rights) {
    // An owner may always rewrite the DACL; no DACL at all allows everyone everything.
    if (!IsTrusted(security.owner) || !security.hasDacl) {
        return true;
    }
    for (const platform::AccessAllowed& entry : security.allowed) {
        if ((entry.aceFlags & win::kInheritOnlyAce) != 0 || IsTrusted(entry.trustee)) {
            continue;
        }
        if ((entry.accessMask & (rights | win::kGenericAll)) != 0) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<platform::HeldPath> OpenChecked(const std::string& path, bool wantFolder,
                                                uint32_t rights, bool listed) {
    platform::Files& files = platform::Current().files;
    std::unique_ptr<platform::HeldPath> held = files.OpenHeld(path);
    uint32_t attributes = 0;
    uint32_t tag = 0;
    if (!held || !held->GetAttributeTag(attributes, tag) ||
        ((attributes & win::kFileAttributeDirectory) != 0) != wantFolder ||
        platform::IsLink(attributes, tag)) {
        return nullptr;
    }
    // A system may open a link as what it leads to and yet list it as a reparse point (Wine does
    // so with a Unix link): what the listing calls a link is one.
    uint32_t listedAttributes = 0;
    if (listed && (!files.FindFirstFile(path, listedAttributes) ||
                   ((listedAttributes & ~attributes) & win::kFileAttributeReparsePoint) != 0)) {
        return nullptr;
    }
    platform::FileSecurity security;
    switch (held->GetSecurity(security)) {
        case platform::SecurityRead::NoAcls:
            return held;
        case platform::SecurityRead::Failed:
            return nullptr;  // what cannot be read cannot be vouched for
        case platform::SecurityRead::Read:
            break;
    }
    return OthersMayChange(security, rights) ? nullptr : std::move(held);
}

Destination::Destination(std::string folder, bool fontsFolder)
    : folder_(std::move(folder)), fontsFolder_(fontsFolder) {
    if (fontsFolder_) {
        return;
    }
    // The root of the path ("C:\" or "\\server\share\"), then each folder below it.
    const std::size_t rootEnd = RootEnd(folder_);
    levels_.push_back(folder_.substr(0, rootEnd + 1));
    for (std::size_t end = cp932::FindChar(folder_, '\\', cp932::NextCharIndex(folder_, rootEnd));
         end != std::string::npos;
         end = cp932::FindChar(folder_, '\\', cp932::NextCharIndex(folder_, end))) {
        levels_.push_back(folder_.substr(0, end));
    }
}

Destination::Hold Destination::Resolve(platform::FinalPathRead read, const std::string& finalPath) {
    resolved_.clear();
    switch (read) {
        case platform::FinalPathRead::Read:
            resolved_ = WithBackslash(finalPath);
            return Hold::Held;
        case platform::FinalPathRead::NoCall:
            return Hold::Held;
        case platform::FinalPathRead::Failed:
            break;
    }
    return Hold::Refused;
}

Destination::Hold Destination::HoldLevels() {
    std::string finalPath;
    if (fontsFolder_) {
        return Resolve(platform::Current().files.GetFinalPathName(folder_, finalPath), finalPath);
    }
    const bool canHold = PlatformId != 1;
    for (std::size_t i = canHold ? held_.size() : 1; i < levels_.size(); ++i) {
        const std::string& level = levels_[i];
        const bool root = i == 0;
        // A root is never found by the file search; any other level must be a folder.
        if (!root && PathExists(level, 1) == 0) {
            return Hold::Missing;
        }
        if (!canHold) {
            continue;
        }
        std::unique_ptr<platform::HeldPath> held =
            OpenChecked(level, true, root ? kRootRights : kFolderRights, !root);
        if (!held) {
            return Hold::Refused;
        }
        held_.push_back(std::move(held));
    }
    if (!canHold) {
        return Hold::Held;
    }
    return Resolve(held_.back()->GetFinalPathName(finalPath), finalPath);
}

// The folder one run installs into: resolved once, checked where it really is, and held for the
// whole run, so that every later check compares with that one folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win_constants.h"

// What lets another user delete, rename, empty or re-permission a folder: DELETE on it,
// FILE_DELETE_CHILD (its files, and the folders below it), WRITE_DAC and WRITE_OWNER. A drive's
// or share's root cannot be deleted or renamed, so DELETE on it means nothing.
constexpr uint32_t kFolderRights =
    win::kDelete | win::kFileDeleteChild | win::kWriteDac | win::kWriteOwner;
constexpr uint32_t kRootRights = kFolderRights & ~win::kDelete;
// What lets another user rewrite, delete or re-permission a file.
constexpr uint32_t kFileRights = win::kFileWriteData | win::kFileAppendData | win::kGenericWrite |
                                 win::kDelete | win::kWriteDac | win::kWriteOwner;

// Whether anyone but the user who runs the installer, Administrators, SYSTEM and TrustedInstaller
// owns what security describes, or is allowed one of rights on it (GENERIC_ALL counts as every
// right). Entries only for what is created inside do not apply.
bool OthersMayChange(const platform::FileSecurity& security, uint32_t rights);

// Opens path as HeldPath says and judges it on that handle: a folder (wantFolder) or a file, no
// link (neither by the handle, nor as the system lists the path, when listed), and no one else
// holding rights, as its owner and DACL say. The handle, to hold it by, when all of it holds;
// null otherwise, also when any answer cannot be had. Systems without ACLs pass the last test.
std::unique_ptr<platform::HeldPath> OpenChecked(const std::string& path, bool wantFolder,
                                                uint32_t rights, bool listed);

class Destination {
  public:
    enum class Hold {
        Held,     // every level is open, checked and held, and the folder resolved
        Missing,  // a level does not exist (yet): it and those below it are still to be held
        Refused,  // a level is a link or cannot be vouched for, or the folder cannot be resolved
    };

    Destination() = default;
    // folder: absolute, ending in "\". The Fonts folder is the system's: resolved, but neither
    // checked nor held (other programs may hold it open, and opening it without letting them
    // delete would fail a normal install); any other folder is checked and held.
    Destination(std::string folder, bool fontsFolder);

    // Opens, checks and holds each level not held yet, from the root down, so that each is found
    // through the levels above it as they were checked; once all are held, resolves the folder on
    // the last handle. Called again after the missing levels are created. On the 9x family, which
    // can open no folder, only finds the levels.
    Hold HoldLevels();

    // As handed on to the run: absolute, ending in "\".
    const std::string& Folder() const { return folder_; }
    bool IsFontsFolder() const { return fontsFolder_; }
    // Where the system resolved the folder, a final path ending in "\"; empty only where the
    // system cannot say (before Vista), where the levels held vouch for the path.
    const std::string& Resolved() const { return resolved_; }

  private:
    // Takes the system's answer as the folder's resolved path: held, or refused when it failed.
    Hold Resolve(platform::FinalPathRead read, const std::string& finalPath);

    std::string folder_;
    bool fontsFolder_ = false;
    std::vector<std::string> levels_;  // the root first
    std::vector<std::unique_ptr<platform::HeldPath>> held_;
    std::string resolved_;
};

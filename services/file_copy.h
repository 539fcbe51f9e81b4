// Copying one font file in 1024-byte chunks while the progress bar moves through its slice.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

constexpr std::size_t kCopyChunkSize = 1024;

// The bar position after fullChunks of chunks within the slice startPos..endPos.
int32_t CopyProgressPosition(int32_t startPos, int32_t endPos, uint32_t fullChunks,
                             uint32_t chunks);

// How the copies into one folder are created.
struct CopyTarget {
    // What each new file receives; null: what its folder gives it.
    const platform::SecurityDescriptor* protection = nullptr;
    // The folder as the system resolved it for the run, ending in "\"; every new file must lie
    // there. Empty where the system cannot tell where a file lies.
    std::string resolvedFolder;
};

// Copies sourcePath to destinationPath byte for byte, into a file it creates: nothing may lie at
// destinationPath beforehand. 1 when the whole file was copied, with copied (when given) set to
// the file created, for a later delete. 0 when the copy failed (errorText replaced by the reason)
// or the user cancelled (errorText untouched, CancelRequested set); the partial destination is
// deleted in both cases, through the handle that created it where the system can. A file that
// landed outside the target's folder is removed the same way.
int CopyFileWithProgress(platform::WindowHandle dialog, const std::string& sourcePath,
                         const std::string& destinationPath, int32_t startPos, int32_t endPos,
                         std::string& errorText, const CopyTarget& target = CopyTarget(),
                         platform::ExpectedFile* copied = nullptr);

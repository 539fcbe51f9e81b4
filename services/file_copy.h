// Copying one font file in 1024-byte chunks while the progress bar moves through its slice.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

constexpr std::size_t kCopyChunkSize = 1024;

// The bar position after fullChunks of chunks within the slice startPos..endPos.
int32_t CopyProgressPosition(int32_t startPos, int32_t endPos, uint32_t fullChunks,
                             uint32_t chunks);

// Copies sourcePath to destinationPath byte for byte. 1 when the whole file was copied. 0 when
// the copy failed (errorText replaced by the reason) or the user cancelled (errorText untouched,
// CancelRequested set); the partial destination is deleted in both cases.
int CopyFileWithProgress(platform::WindowHandle dialog, const std::string& sourcePath,
                         const std::string& destinationPath, int32_t startPos, int32_t endPos,
                         std::string& errorText);

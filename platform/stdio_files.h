// Files through the C library's streams, as the Windows side opens them (and the benchmarks on
// this machine): fgets for text lines, fread and fwrite for copies.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace platform {

// fopen with the mode given; null when the file cannot be opened.
std::unique_ptr<TextFile> OpenStdioTextFile(const std::string& path, const char* mode);
std::unique_ptr<Stream> OpenStdioStream(const std::string& path, const char* mode);
// A stream over a file already open; the stream closes it.
std::unique_ptr<Stream> WrapStdioStream(FILE* file);

}  // namespace platform

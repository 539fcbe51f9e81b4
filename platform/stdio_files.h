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

// A new file written through a C stream already open, which it closes. Where the file lies,
// which file it is and deletion through its handle are the system's to offer: not here.
class StdioNewFile : public NewFile {
  public:
    explicit StdioNewFile(FILE* file);
    ~StdioNewFile() override;
    StdioNewFile(const StdioNewFile&) = delete;
    StdioNewFile& operator=(const StdioNewFile&) = delete;

    std::size_t Read(void* buffer, std::size_t size) override;
    std::size_t Write(const void* buffer, std::size_t size) override;
    bool Error() override;
    int Close() override;
    FinalPathRead GetFinalPathName(std::string& finalPath) override;
    bool DeleteOnClose() override;
    bool Flush() override;
    bool GetIdentity(FileIdentity& identity) override;

  private:
    int CloseFile();

    FILE* file_;
};

}  // namespace platform

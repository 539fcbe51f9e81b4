#include "platform/stdio_files.h"

#include <cstdio>

namespace platform {

namespace {

class StdioTextFile final : public TextFile {
  public:
    explicit StdioTextFile(FILE* file) : file_(file) {}
    ~StdioTextFile() override { static_cast<void>(std::fclose(file_)); }
    StdioTextFile(const StdioTextFile&) = delete;
    StdioTextFile& operator=(const StdioTextFile&) = delete;

    bool ReadLine(char* buffer, int size) override {
        return std::fgets(buffer, size, file_) != nullptr;
    }

  private:
    FILE* file_;
};

class StdioStream final : public Stream {
  public:
    explicit StdioStream(FILE* file) : file_(file) {}
    ~StdioStream() override { CloseFile(); }
    StdioStream(const StdioStream&) = delete;
    StdioStream& operator=(const StdioStream&) = delete;

    std::size_t Read(void* buffer, std::size_t size) override {
        return std::fread(buffer, 1, size, file_);
    }
    std::size_t Write(const void* buffer, std::size_t size) override {
        return std::fwrite(buffer, 1, size, file_);
    }
    bool Error() override { return std::ferror(file_) != 0; }
    int Close() override { return CloseFile(); }

  private:
    int CloseFile() {
        if (file_ == nullptr) {
            return 0;
        }
        const int result = std::fclose(file_);
        file_ = nullptr;
        return result;
    }

    FILE* file_;
};

}  // namespace

std::unique_ptr<TextFile> OpenStdioTextFile(const std::string& path, const char* mode) {
    FILE* file = std::fopen(path.c_str(), mode);
    return file == nullptr ? nullptr : std::make_unique<StdioTextFile>(file);
}

std::unique_ptr<Stream> OpenStdioStream(const std::string& path, const char* mode) {
    FILE* file = std::fopen(path.c_str(), mode);
    return file == nullptr ? nullptr : std::make_unique<StdioStream>(file);
}

StdioNewFile::StdioNewFile(FILE* file) : file_(file) {}

StdioNewFile::~StdioNewFile() {
    CloseFile();
}

std::size_t StdioNewFile::Read(void* buffer, std::size_t size) {
    return std::fread(buffer, 1, size, file_);
}

std::size_t StdioNewFile::Write(const void* buffer, std::size_t size) {
    return std::fwrite(buffer, 1, size, file_);
}

bool StdioNewFile::Error() {
    return std::ferror(file_) != 0;
}

int StdioNewFile::Close() {
    return CloseFile();
}

int StdioNewFile::CloseFile() {
    if (file_ == nullptr) {
        return 0;
    }
    const int result = std::fclose(file_);
    file_ = nullptr;
    return result;
}

FinalPathRead StdioNewFile::GetFinalPathName(std::string& /*finalPath*/) {
    return FinalPathRead::NoCall;
}

bool StdioNewFile::DeleteOnClose() {
    return false;
}

bool StdioNewFile::Flush() {
    return file_ != nullptr && std::fflush(file_) == 0;
}

bool StdioNewFile::GetIdentity(FileIdentity& /*identity*/) {
    return false;
}

}  // namespace platform

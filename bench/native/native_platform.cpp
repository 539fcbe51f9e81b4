#include "bench/native/native_platform.h"

#include <sys/stat.h>

#include <cstdio>

namespace bench {

namespace {

class NativeTextFile final : public platform::TextFile {
  public:
    explicit NativeTextFile(FILE* file) : file_(file) {}
    ~NativeTextFile() override { static_cast<void>(std::fclose(file_)); }
    NativeTextFile(const NativeTextFile&) = delete;
    NativeTextFile& operator=(const NativeTextFile&) = delete;
    bool ReadLine(char* buffer, int size) override {
        return std::fgets(buffer, size, file_) != nullptr;
    }

  private:
    FILE* file_;
};

class NativeStream final : public platform::Stream {
  public:
    explicit NativeStream(FILE* file) : file_(file) {}
    ~NativeStream() override { CloseFile(); }
    NativeStream(const NativeStream&) = delete;
    NativeStream& operator=(const NativeStream&) = delete;
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

bool NativeFiles::FindFirstFile(const std::string& path, uint32_t& attributes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    attributes = S_ISDIR(info.st_mode) ? 0x10 : 0x20;
    return true;
}

bool NativeFiles::GetFileSize(const std::string& path, uint32_t& size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    size = static_cast<uint32_t>(info.st_size);
    return true;
}

bool NativeFiles::CreateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

std::unique_ptr<platform::TextFile> NativeFiles::OpenTextFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    return file == nullptr ? nullptr : std::make_unique<NativeTextFile>(file);
}

std::unique_ptr<platform::Stream> NativeFiles::OpenStream(const std::string& path,
                                                          const char* mode) {
    FILE* file = std::fopen(path.c_str(), mode);
    return file == nullptr ? nullptr : std::make_unique<NativeStream>(file);
}

bool NativeFiles::DeleteFile(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

}  // namespace bench

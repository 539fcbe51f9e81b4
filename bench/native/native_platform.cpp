#include "bench/native/native_platform.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

#include "platform/stdio_files.h"

namespace bench {

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
    return platform::OpenStdioTextFile(path, "r");
}

std::unique_ptr<platform::Stream> NativeFiles::OpenStream(const std::string& path,
                                                          const char* mode) {
    return platform::OpenStdioStream(path, mode);
}

namespace {

// A file created exclusively through the C library; where it lies is not asked here.
class NativeNewFile final : public platform::NewFile {
  public:
    explicit NativeNewFile(std::unique_ptr<platform::Stream> stream) : stream_(std::move(stream)) {}
    std::size_t Read(void* buffer, std::size_t size) override {
        return stream_->Read(buffer, size);
    }
    std::size_t Write(const void* buffer, std::size_t size) override {
        return stream_->Write(buffer, size);
    }
    bool Error() override { return stream_->Error(); }
    int Close() override { return stream_->Close(); }
    bool GetFinalPathName(std::string&) override { return false; }
    bool DeleteOnClose() override { return false; }

  private:
    std::unique_ptr<platform::Stream> stream_;
};

}  // namespace

std::unique_ptr<platform::NewFile> NativeFiles::CreateNewFile(
    const std::string& path, const platform::SecurityDescriptor* /*descriptor*/) {
    std::unique_ptr<platform::Stream> stream = platform::OpenStdioStream(path, "wbx");
    return stream ? std::make_unique<NativeNewFile>(std::move(stream)) : nullptr;
}

bool NativeFiles::DeleteFile(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

}  // namespace bench

#include "bench/native/native_platform.h"

#include <sys/stat.h>

#include <cstdio>

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

std::unique_ptr<platform::NewFile> NativeFiles::CreateNewFile(
    const std::string& path, const platform::SecurityDescriptor* /*descriptor*/) {
    FILE* file = std::fopen(path.c_str(), "wbx");  // fails when anything lies at path
    return file == nullptr ? nullptr : std::make_unique<platform::StdioNewFile>(file);
}

platform::DeleteResult NativeFiles::DeleteExpectedFile(const std::string& path,
                                                       const platform::ExpectedFile& /*expected*/) {
    return std::remove(path.c_str()) == 0 ? platform::DeleteResult::Deleted
                                          : platform::DeleteResult::Failed;
}

}  // namespace bench

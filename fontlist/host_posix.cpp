// The folder and the console on Linux: names on disk and the terminal are UTF-8, FontList.txt
// and the tool's texts are CP932, so names and lines are converted at this edge only.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "fontlist/cli.h"
#include "fontlist/cp932_convert.h"

namespace fontlist {

namespace {

// A font file read with positioned reads, so only the parts the names need leave the disk.
class PosixFontData final : public FontData {
  public:
    PosixFontData(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~PosixFontData() override { close(fd_); }
    PosixFontData(const PosixFontData&) = delete;
    PosixFontData& operator=(const PosixFontData&) = delete;

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) override {
        bytes.resize(length);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n =
                pread(fd_, &bytes[done], length - done, static_cast<off_t>(offset + done));
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int fd_;
    std::uint64_t size_;
};

class PosixHost final : public Host {
  public:
    explicit PosixHost(std::string folder) : folder_(folder.empty() ? "." : std::move(folder)) {}

    bool Read(const std::string& fileName, std::string& bytes) override {
        std::ifstream in(Path(fileName), std::ios::binary);
        if (!in || IsFolder(Path(fileName))) {
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    }

    bool FolderExists() override { return IsFolder(folder_); }

    std::string FolderName() override { return ToCp932(FromUtf8(folder_, nullptr)); }

    std::unique_ptr<FontData> Open(const std::string& fileName) override {
        const int fd = open(Path(fileName).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        struct stat info {};
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(fd);
            return nullptr;
        }
        return std::make_unique<PosixFontData>(fd, static_cast<std::uint64_t>(info.st_size));
    }

    bool List(std::vector<std::string>& fileNames) override {
        DIR* dir = opendir(folder_.c_str());
        if (dir == nullptr) {
            return false;
        }
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (IsFolder(folder_ + "/" + name)) {
                continue;
            }
            // A name CP932 cannot hold could not be written in FontList.txt.
            bool valid = false;
            const std::u16string wide = FromUtf8(name, &valid);
            bool exact = valid;
            for (char16_t unit : wide) {
                exact = exact && ConvertUnit(unit).exact;
            }
            if (exact) {
                fileNames.push_back(ToCp932(wide));
            } else {
                Print("warning: ファイル名「" + ToCp932(wide) +
                      "」はCP932で表せないため使えません。");
            }
        }
        closedir(dir);
        return true;
    }

    bool Exists(const std::string& fileName) override {
        struct stat info {};
        return stat(Path(fileName).c_str(), &info) == 0;
    }

    bool Write(const std::string& fileName, const std::string& bytes) override {
        std::ofstream out(Path(fileName), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return static_cast<bool>(out);
    }

    void Print(const std::string& line) override {
        std::fputs((ToUtf8(FromCp932(line)) + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

    SystemFonts* System() override { return nullptr; }

  private:
    // FontList.txt may name a file with backslashes; here the separator is '/'.
    std::string Path(const std::string& fileName) const {
        std::u16string wide = FromCp932(fileName);
        for (char16_t& unit : wide) {
            unit = unit == u'\\' ? u'/' : unit;
        }
        const std::string name = ToUtf8(wide);
        return (!name.empty() && name[0] == '/') ? name : folder_ + "/" + name;
    }

    static bool IsFolder(const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    std::string folder_;
};

}  // namespace

std::unique_ptr<Host> OpenFolder(const std::string& folder) {
    return std::make_unique<PosixHost>(folder);
}

}  // namespace fontlist

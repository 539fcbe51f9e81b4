// What `fontlist` costs on a package of real-size fonts: 1,000 files named in the folder
// given (hard links to real fonts, cycled), checked and made from a warm cache, with the bytes
// and the reads each font costs. Prints one line per figure:
//   row <TAB> section <TAB> what <TAB> value <TAB> unit
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fontlist/checks.h"
#include "fontlist/cli.h"
#include "fontlist/make.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFonts = 1000;
constexpr int kRuns = 5;

// The folder's own files, with every read of a font counted.
class Counted final : public fontlist::FontSource {
  public:
    explicit Counted(fontlist::Host& host) : host_(host) {}
    bool Read(const std::string& fileName, std::string& bytes) override {
        return host_.Read(fileName, bytes);
    }
    std::unique_ptr<fontlist::FontData> Open(const std::string& fileName) override {
        std::unique_ptr<fontlist::FontData> file = host_.Open(fileName);
        if (file == nullptr) {
            return nullptr;
        }
        return std::make_unique<Data>(std::move(file), *this);
    }
    std::uint64_t bytes = 0;
    std::uint64_t reads = 0;

  private:
    class Data final : public fontlist::FontData {
      public:
        Data(std::unique_ptr<fontlist::FontData> file, Counted& counts)
            : file_(std::move(file)), counts_(counts) {}
        std::uint64_t Size() const override { return file_->Size(); }
        bool ReadAt(std::uint64_t offset, std::size_t length, std::string& out) override {
            counts_.bytes += length;
            ++counts_.reads;
            return file_->ReadAt(offset, length, out);
        }

      private:
        std::unique_ptr<fontlist::FontData> file_;
        Counted& counts_;
    };
    fontlist::Host& host_;
};

void Row(const char* what, double value, const char* unit) {
    std::printf("row\tfontlist\t%s\t%.4g\t%s\n", what, value, unit);
}

template <typename Work>
double MedianSeconds(Work work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// make and check over every folder below parent, one package each, as a font maker runs them:
// files per second over all of them and the bytes each font costs.
int Folders(const std::filesystem::path& parent) {
    std::vector<std::filesystem::path> folders;
    for (const auto& entry : std::filesystem::directory_iterator(parent)) {
        if (entry.is_directory()) {
            folders.push_back(entry.path());
        }
    }
    std::sort(folders.begin(), folders.end());
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t fontBytes = 0;
    double seconds = 0;
    for (const std::filesystem::path& folder : folders) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (fontlist::IsFontFileName(entry.path().filename().string())) {
                names.push_back(entry.path().filename().string());
                fontBytes += entry.file_size();
            }
        }
        std::sort(names.begin(), names.end());
        const std::unique_ptr<fontlist::Host> host = fontlist::OpenFolder(folder.string());
        Counted counted(*host);
        const auto start = Clock::now();
        {
            fontlist::FontFiles fonts(counted);
            const fontlist::MadeFontList made = fontlist::MakeFontList(names, fonts);
            fontlist::CheckFontList(made.contents, fonts, nullptr);
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        files += names.size();
        bytes += counted.bytes;
    }
    if (files == 0) {
        std::fprintf(stderr, "no fonts in the folders of %s\n", parent.c_str());
        return 2;
    }
    Row("folders (packages)", static_cast<double>(folders.size()), "count");
    Row("font files", static_cast<double>(files), "count");
    Row("make and check of every folder", seconds * 1000, "ms");
    Row("files per second", static_cast<double>(files) / seconds, "files/s");
    Row("bytes read per font", static_cast<double>(bytes) / static_cast<double>(files), "bytes");
    Row("font file size, mean", static_cast<double>(fontBytes) / static_cast<double>(files),
        "bytes");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--folders") {
        return Folders(argv[2]);
    }
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: fontlist_bench REAL_FONTS_FOLDER WORK_FOLDER\n"
                     "       fontlist_bench --folders PARENT_OF_PACKAGE_FOLDERS\n");
        return 2;
    }
    std::vector<std::filesystem::path> real;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".ttf" || ext == ".otf" || ext == ".ttc") {
            real.push_back(entry.path());
        }
    }
    std::sort(real.begin(), real.end());
    if (real.empty()) {
        std::fprintf(stderr, "no fonts in %s\n", argv[1]);
        return 2;
    }
    const std::filesystem::path work = argv[2];
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    std::vector<std::string> names;
    std::uint64_t fontBytes = 0;
    for (int i = 0; i < kFonts; ++i) {
        const std::filesystem::path& source = real[i % real.size()];
        char name[32];
        std::snprintf(name, sizeof name, "f%04d%s", i, source.extension().c_str());
        std::filesystem::create_hard_link(source, work / name);
        names.push_back(name);
        fontBytes += std::filesystem::file_size(source);
    }

    const std::unique_ptr<fontlist::Host> host = fontlist::OpenFolder(work.string());
    Counted counted(*host);
    std::string list;
    {
        fontlist::FontFiles fonts(counted);
        list = fontlist::MakeFontList(names, fonts).contents;  // also warms the cache
    }
    counted.bytes = counted.reads = 0;
    const double make = MedianSeconds([&] {
        fontlist::FontFiles fonts(counted);
        const fontlist::MadeFontList made = fontlist::MakeFontList(names, fonts);
        fontlist::CheckFontList(made.contents, fonts, nullptr);
    });
    counted.bytes = counted.reads = 0;
    const double check = MedianSeconds([&] { fontlist::CheckFontList(list, counted, nullptr); });
    // What reading each file whole, as check once did, costs on the same files.
    const double whole = MedianSeconds([&] {
        std::string bytes;
        for (const std::string& name : names) {
            bytes.clear();
            host->Read(name, bytes);
        }
    });
    const double perRun = static_cast<double>(kFonts) * kRuns;
    Row("check, 1,000 real-size fonts, warm cache", check * 1000, "ms");
    Row("make, the same fonts (written list checked too)", make * 1000, "ms");
    Row("bytes read per font by check", static_cast<double>(counted.bytes) / perRun, "bytes");
    Row("reads per font by check", static_cast<double>(counted.reads) / perRun, "reads");
    Row("font file size, mean", static_cast<double>(fontBytes) / kFonts, "bytes");
    Row("reading the same 1,000 files whole, for comparison", whole * 1000, "ms");
    std::filesystem::remove_all(work);
    return 0;
}

// How fast the installer's own work is on this machine, and how its cost grows: the chunked copy
// beside the operating system's copy, the font list reader, the scans of the font table, and the
// removal pass with the family check. Prints one line per figure:
//   row <TAB> section <TAB> what <TAB> value <TAB> unit
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "process/globals.h"
#include "bench/native/native_platform.h"
#include "catalogue/font_list.h"
#include "catalogue/installed_fonts.h"
#include "engine/install_fonts.h"
#include "platform/fake/fake_platform.h"
#include "services/destination.h"
#include "services/file_copy.h"
#include "services/progress_dialog.h"

// Every allocation of the process is counted, so a figure can say how many a loop makes.
namespace {
std::atomic<uint64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median of several timed runs; prepare runs untimed before each.
double Median(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        times.push_back(Seconds(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Row(const char* section, const std::string& what, double value, const char* unit) {
    std::printf("row\t%s\t%s\t%.4g\t%s\n", section, what.c_str(), value, unit);
}

// The rest of Windows, in memory; files, the queue and the windows as given.
struct Machine {
    explicit Machine(platform::Files& files)
        : platform{fake, files, fake, fake, fake, fake, messages, ui} {}
    explicit Machine() : Machine(fake) {}
    fake::FakePlatform fake;
    bench::QuietMessages messages;
    bench::QuietUi ui;
    platform::Platform platform;
};

void BenchCopy(const std::filesystem::path& folder) {
    const std::string source = (folder / "source.bin").string();
    const std::string copied = (folder / "copied.bin").string();
    const std::string system = (folder / "system.bin").string();
    constexpr std::size_t kSize = std::size_t{64} << 20;
    {
        std::vector<char> bytes(kSize);
        // The same bytes every run, so that runs compare; nothing here needs to be unpredictable.
        std::mt19937 random(42);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
        for (char& b : bytes) {
            b = static_cast<char>(random());
        }
        std::ofstream(source, std::ios::binary).write(bytes.data(), kSize);
    }
    bench::NativeFiles files;
    Machine machine(files);
    platform::ScopedPlatform scope(machine.platform);
    std::string errorText;
    uint64_t allocationsInCopy = 0;
    const double ours = Median(
        5, [&] { std::filesystem::remove(copied); },
        [&] {
            const uint64_t before = allocations.load();
            if (CopyFileWithProgress(nullptr, source, copied, 0, 100, errorText) != 1) {
                std::fprintf(stderr, "copy failed: %s\n", errorText.c_str());
                std::exit(1);
            }
            allocationsInCopy = allocations.load() - before;
        });
    const double theirs = Median(
        5, [&] { std::filesystem::remove(system); },
        [&] { std::filesystem::copy_file(source, system); });
    const double mib = static_cast<double>(kSize) / (1 << 20);
    Row("copy", "CopyFileWithProgress, 64 MiB, idle pump", mib / ours, "MiB/s");
    Row("copy", "std::filesystem::copy_file, 64 MiB", mib / theirs, "MiB/s");
    Row("copy", "ours / operating system (time)", ours / theirs, "x");
    Row("copy", "pumps per MiB", static_cast<double>(machine.messages.peeks) / 5 / mib, "calls");
    Row("copy", "allocations per 1024-byte chunk",
        static_cast<double>(allocationsInCopy) / (static_cast<double>(kSize) / 1024), "");
    std::filesystem::remove(source);
    std::filesystem::remove(copied);
    std::filesystem::remove(system);
}

void BenchFontList(const std::filesystem::path& folder) {
    bench::NativeFiles files;
    Machine machine(files);
    platform::ScopedPlatform scope(machine.platform);
    for (int lines : {1000, 10000, 100000}) {
        const std::string path = (folder / ("FontList" + std::to_string(lines) + ".txt")).string();
        {
            std::ofstream out(path, std::ios::binary);
            for (int i = 0; i < lines; ++i) {
                out << "\"Face " << i << "\", file" << i << ".ttf\r\n";
            }
        }
        uint64_t made = 0;
        const double time = Median(
            5, [] { FontList.clear(); },
            [&] {
                const uint64_t before = allocations.load();
                LoadFontList(nullptr, path);
                made = allocations.load() - before;
            });
        Row("catalogue", "LoadFontList, " + std::to_string(lines) + " lines", time * 1e9 / lines,
            "ns/line");
        Row("catalogue", "allocations per line, " + std::to_string(lines) + " lines",
            static_cast<double>(made) / lines, "");
        FontList.clear();
        std::filesystem::remove(path);
    }
}

void FillTable(fake::FakePlatform& windows, int values) {
    for (int i = 0; i < values; ++i) {
        windows.AddStringValue(kNtKey, "Installed " + std::to_string(i) + " (TrueType)",
                               "installed" + std::to_string(i) + ".ttf");
        windows.fontFamilies.push_back("Family " + std::to_string(i));
    }
}

void BenchScans() {
    for (int values : {1000, 10000, 50000}) {
        Machine machine;
        FillTable(machine.fake, values);
        platform::ScopedPlatform scope(machine.platform);
        std::vector<FontEntry> fonts;
        std::vector<std::string> files;
        const double installed = Median(
            3, [&] { machine.fake.calls.clear(); }, [&] { ScanInstalledFonts(nullptr, fonts); });
        const double registered = Median(
            3, [&] { machine.fake.calls.clear(); },
            [&] { ScanRegisteredFontFiles(nullptr, files); });
        const double families = Median(
            3, [] {}, [&] { CollectFaceNames(nullptr); });
        const std::string size = std::to_string(values) + " values";
        Row("survey", "ScanInstalledFonts, " + size, installed * 1e9 / values, "ns/value");
        Row("survey", "ScanRegisteredFontFiles, " + size, registered * 1e9 / values, "ns/value");
        Row("survey", "CollectFaceNames, " + std::to_string(values) + " families",
            families * 1e9 / values, "ns/family");
    }
}

// One run up to the end of the checks for chosen fonts against a table of values (and as many
// families): cancelled at the pump that follows the checks, before anything is copied.
double RemovalAndChecks(int values, int chosen, uint64_t& comparisonAllocations) {
    Machine machine;
    FillTable(machine.fake, values);
    std::vector<FontEntry> selection;
    for (int i = 0; i < chosen; ++i) {
        const std::string file = "C:\\Package\\chosen" + std::to_string(i) + ".ttf";
        machine.fake.AddFile(file, "x");
        selection.push_back(FontEntry{"Chosen " + std::to_string(i), file});
    }
    platform::ScopedPlatform scope(machine.platform);
    OsClass = OsVistaOrLater;
    const uint64_t n = static_cast<uint64_t>(chosen);
    const uint64_t comparisonsStart = n + 2;
    const uint64_t afterChecks = n + 2 + n * values + 1 + n * values + 1;
    uint64_t atStart = 0;
    uint64_t atEnd = 0;
    machine.messages.onPeek = [&](uint64_t peek) {
        if (peek == comparisonsStart + 1) {
            atStart = allocations.load();
        }
        if (peek == afterChecks) {
            atEnd = allocations.load();
            CancelRequested = 1;
        }
    };
    Destination fonts("C:\\WINDOWS\\Fonts\\", true);
    fonts.HoldLevels();
    const double time = Seconds([&] { InstallFonts(nullptr, selection, fonts); });
    CancelRequested = 0;
    comparisonAllocations = atEnd - atStart;
    return time;
}

void BenchRemoval() {
    for (int values : {1000, 10000, 50000}) {
        std::vector<std::pair<int, double>> times;
        for (int chosen : {10, 100, 1000}) {
            uint64_t made = 0;
            const double time = RemovalAndChecks(values, chosen, made);
            times.emplace_back(chosen, time);
            const double comparisons = 2.0 * chosen * values;
            Row("removal",
                "run to the checks, " + std::to_string(chosen) + " chosen, " +
                    std::to_string(values) + " values",
                time * 1e3, "ms");
            Row("removal",
                "allocations per comparison, " + std::to_string(chosen) + " chosen, " +
                    std::to_string(values) + " values",
                static_cast<double>(made) / comparisons, "");
        }
        // The growth from 10 to 1000 chosen fonts is the comparisons alone.
        const double perComparison = (times[2].second - times[0].second) /
                                     (2.0 * (times[2].first - times[0].first) * values);
        Row("removal", "time per comparison, " + std::to_string(values) + " values",
            perComparison * 1e9, "ns");
    }
}

}  // namespace

int main(int argc, char** argv) {
    utsname system{};
    uname(&system);
    std::string cpu = "unknown CPU";
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::printf("machine\t%s, %ld cores, %s %s\n", cpu.c_str(), sysconf(_SC_NPROCESSORS_ONLN),
                system.sysname, system.release);

    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::filesystem::path work = folder / ("fi-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(work);
    BenchCopy(work);
    BenchFontList(work);
    BenchScans();
    BenchRemoval();
    std::filesystem::remove_all(work);
    return 0;
}

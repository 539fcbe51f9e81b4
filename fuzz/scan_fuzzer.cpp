// The installed-font scans over any value names and data the font table may hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/installed_fonts.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    fake::FakePlatform windows;
    platform::ScopedPlatform scope(windows.Platform());
    if (input.ConsumeBool()) {
        windows.specialFolders.clear();  // the Fonts folder from the Windows folder instead
    }
    const int values = input.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < values; ++i) {
        const uint32_t type = input.ConsumeIntegralInRange<uint32_t>(0, 4);
        const std::string name = input.ConsumeRandomLengthString(300);
        const std::string bytes = input.ConsumeRandomLengthString(400);
        windows.SetRegistryValue(kNtKey, name, bytes, type);
    }
    if (input.ConsumeBool()) {
        windows.Fail("RegEnumValueA", std::to_string(input.ConsumeIntegralInRange(0, 12)));
    }
    const std::size_t stored = windows.Values(kNtKey)->size();

    std::vector<FontEntry> fonts;
    std::vector<std::string> files;
    FUZZ_CHECK(ScanInstalledFonts(nullptr, fonts) == 1);
    FUZZ_CHECK(ScanRegisteredFontFiles(nullptr, files) == 1);
    FUZZ_CHECK(files.size() <= stored && fonts.size() <= files.size());
    for (const FontEntry& font : fonts) {
        FUZZ_CHECK(font.fontName.empty() || font.fontName.back() != ' ');
        FUZZ_CHECK(font.fontName.find('\0') == std::string::npos);
        FUZZ_CHECK(font.fileName.find('\0') == std::string::npos);
    }
    for (const std::string& file : files) {
        const bool full =
            (file.size() >= 2 && file[1] == ':') || (!file.empty() && file[0] == '\\');
        FUZZ_CHECK(full);
    }
    FUZZ_CHECK(windows.liveKeys == 0);
    FUZZ_CHECK(windows.messageBoxes.empty());
    return 0;
}

// FontList.txt as any bytes at all: long lines, NULs, lone lead bytes, unbalanced quotes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/font_list.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fake::FakePlatform windows;
    platform::ScopedPlatform scope(windows.Platform());
    const std::string contents(reinterpret_cast<const char*>(data), size);
    windows.AddFile("C:\\Package\\FontList.txt", contents);

    FontList.clear();
    FUZZ_CHECK(LoadFontList(nullptr, "C:\\Package\\FontList.txt") == 1);
    for (const FontEntry& entry : FontList) {
        // Every entry comes from one piece of at most 255 bytes of one line.
        FUZZ_CHECK(!entry.fontName.empty() && !entry.fileName.empty());
        FUZZ_CHECK(entry.fontName.size() < 256 && entry.fileName.size() < 256);
        for (const std::string* field : {&entry.fontName, &entry.fileName}) {
            FUZZ_CHECK(field->find('\0') == std::string::npos);
            FUZZ_CHECK(field->find('\n') == std::string::npos);
            FUZZ_CHECK(field->front() != ' ' && field->back() != ' ');
        }
    }
    FUZZ_CHECK(windows.messageBoxes.empty());
    FontList.clear();
    return 0;
}

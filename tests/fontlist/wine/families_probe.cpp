// Prints, for each font file given, the families GDI enumerates once AddFontResourceA has loaded
// it: "file<TAB>family" lines in the ANSI code page, vertical "@" families left out.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

int CALLBACK Collect(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM param) {
    reinterpret_cast<std::set<std::string>*>(param)->insert(font->lfFaceName);
    return 1;
}

std::set<std::string> Families() {
    std::set<std::string> families;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesA(screen, nullptr, Collect, reinterpret_cast<LPARAM>(&families));
    ReleaseDC(nullptr, screen);
    return families;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::set<std::string> before = Families();
        if (AddFontResourceA(argv[i]) == 0) {
            std::printf("%s\t(not loaded)\n", argv[i]);
            ++failures;
            continue;
        }
        for (const std::string& family : Families()) {
            if (before.count(family) == 0 && family[0] != '@') {
                std::printf("%s\t%s\n", argv[i], family.c_str());
            }
        }
        RemoveFontResourceA(argv[i]);
    }
    return failures == 0 ? 0 : 1;
}

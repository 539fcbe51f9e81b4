// Prints, for each font file given, the faces GDI enumerates once AddFontResourceA has loaded
// it: "file<TAB>family<TAB>full name" lines in the ANSI code page, vertical "@" families left
// out.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>

namespace {

using Faces = std::set<std::pair<std::string, std::string>>;

int CALLBACK Collect(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM param) {
    const auto* named = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
    reinterpret_cast<Faces*>(param)->insert(
        {font->lfFaceName, reinterpret_cast<const char*>(named->elfFullName)});
    return 1;
}

Faces Enumerate() {
    Faces faces;
    HDC screen = GetDC(nullptr);
    LOGFONTA query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(screen, &query, Collect, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const Faces before = Enumerate();
        if (AddFontResourceA(argv[i]) == 0) {
            std::printf("%s\t(not loaded)\t\n", argv[i]);
            ++failures;
            continue;
        }
        for (const auto& [family, fullName] : Enumerate()) {
            if (before.count({family, fullName}) == 0 && family[0] != '@') {
                std::printf("%s\t%s\t%s\n", argv[i], family.c_str(), fullName.c_str());
            }
        }
        RemoveFontResourceA(argv[i]);
    }
    return failures == 0 ? 0 : 1;
}

// Prints, for each font file given, the faces GDI enumerates once AddFontResourceA has loaded
// it: "file<TAB>family<TAB>full name<TAB>weight<TAB>italic<TAB>ntmFlags" lines in the ANSI code
// page, vertical "@" families left out. A file whose faces were all there before it was loaded
// (the same font installed already) prints "(known)" instead of faces.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace {

struct Style {
    long weight = 0;
    int italic = 0;
    unsigned long ntmFlags = 0;
};

using Faces = std::map<std::pair<std::string, std::string>, Style>;

int CALLBACK Collect(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD type, LPARAM param) {
    const auto* named = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
    Style style{font->lfWeight, font->lfItalic, 0};
    // TrueType and OpenType faces, PostScript outlines too, come with NEWTEXTMETRICEX; a raster
    // face only with TEXTMETRIC.
    if ((type & RASTER_FONTTYPE) == 0) {
        style.ntmFlags = reinterpret_cast<const NEWTEXTMETRICEXA*>(metrics)->ntmTm.ntmFlags;
    }
    (*reinterpret_cast<Faces*>(
        param))[{font->lfFaceName, reinterpret_cast<const char*>(named->elfFullName)}] = style;
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
        int added = 0;
        for (const auto& [names, style] : Enumerate()) {
            const auto& [family, fullName] = names;
            if (before.count(names) == 0 && family[0] != '@') {
                std::printf("%s\t%s\t%s\t%ld\t%d\t%#lx\n", argv[i], family.c_str(),
                            fullName.c_str(), style.weight, style.italic, style.ntmFlags);
                ++added;
            }
        }
        if (added == 0) {
            std::printf("%s\t(known)\t\n", argv[i]);
        }
        RemoveFontResourceA(argv[i]);
    }
    return failures == 0 ? 0 : 1;
}

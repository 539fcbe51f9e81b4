// The least an install of the same fonts takes, with no interface: the yardstick the Wine
// benchmark holds the installer to.
//
//   minimal_installer LIST_FILE
//
// LIST_FILE holds one "face|source path|destination path" line per font, in CP932 (Japanese on
// a Wine command line does not survive, so the data comes through a file). Per font: CopyFileA,
// AddFontResourceA and the font table's "face (TrueType)" value naming the file; then one
// WM_FONTCHANGE broadcast. Prints the time it took inside the process; exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Font {
    std::string face;
    std::string source;
    std::string destination;
};

// The part after the last backslash that is a character of its own, not a double-byte
// character's trail byte.
std::string FileName(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\') {
            start = i + 1;
        }
    }
    return path.substr(start);
}

bool ReadList(const char* path, std::vector<Font>& fonts) {
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return false;
    }
    char line[1024];
    while (std::fgets(line, sizeof line, in) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (text.empty()) {
            continue;
        }
        // '|' (0x7C) is never a trail byte in CP932, so a plain search is safe.
        const std::size_t first = text.find('|');
        const std::size_t second = first == std::string::npos ? first : text.find('|', first + 1);
        if (second == std::string::npos) {
            static_cast<void>(std::fclose(in));
            return false;
        }
        fonts.push_back({text.substr(0, first), text.substr(first + 1, second - first - 1),
                         text.substr(second + 1)});
    }
    static_cast<void>(std::fclose(in));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    std::vector<Font> fonts;
    if (argc != 2 || !ReadList(argv[1], fonts)) {
        std::fprintf(stderr,
                     "usage: minimal_installer LIST_FILE (face|source|destination lines)\n");
        return 2;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                      0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open the font table\n");
        return 3;
    }
    int result = 0;
    for (const Font& font : fonts) {
        if (!CopyFileA(font.source.c_str(), font.destination.c_str(), FALSE)) {
            std::fprintf(stderr, "CopyFileA failed (%lu) for line of %s\n", GetLastError(),
                         FileName(font.source).c_str());
            result = 4;
            break;
        }
        if (AddFontResourceA(font.destination.c_str()) == 0) {
            std::fprintf(stderr, "AddFontResourceA refused %s\n",
                         FileName(font.destination).c_str());
            result = 5;
            break;
        }
        const std::string name = font.face + " (TrueType)";
        const std::string data = FileName(font.destination);
        if (RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size()) + 1) != ERROR_SUCCESS) {
            std::fprintf(stderr, "RegSetValueExA failed for %s\n", data.c_str());
            result = 6;
            break;
        }
    }
    RegCloseKey(key);
    if (result == 0) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    }

    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    std::printf("fonts=%u\ninside_ms=%.3f\n", static_cast<unsigned>(fonts.size()),
                static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart));
    return result;
}

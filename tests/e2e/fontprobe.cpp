// fontprobe: reports what the system knows about fonts, for the end-to-end tests under Wine.
//
//   fontprobe registry
//       one line per value of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts:
//       "value name=HEX type=N data=HEX"
//   fontprobe families [--add-hex HEX]...
//       after AddFontResourceA of each file given (CP932 path in hex), one line per family
//       EnumFontFamiliesA reports on the screen: "family name=HEX charset=N type=N",
//       then "added path=HEX result=N" for each file; the fonts stay loaded until the probe ends
//
//   fontprobe faces HEX
//       one line per face of the family named (CP932 in hex) that EnumFontFamiliesA reports:
//       "face name=HEX full=HEX", the full name being that face's own name, such as "... Bold"
//
//   fontprobe remove HEX...
//       RemoveFontResourceA of each path (CP932 in hex): "removed path=HEX result=N error=N"
//
// Texts are CP932 bytes in hex, as in uidriver: Japanese does not survive a Wine console. The
// registry is read with the Unicode calls and converted, so what is printed does not depend on
// the probe's own code page; the families are read with the ANSI call the installer uses.
//
// Exit codes: 0 done, 2 bad command line, 3 the system refused.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kCodePage = 932;
const wchar_t kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

bool FromHex(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = hex.substr(i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            return false;
        }
        bytes += static_cast<char>(value);
    }
    return true;
}

std::string ToCp932(const wchar_t* text, int length) {
    if (length <= 0) {
        return std::string();
    }
    const int size = WideCharToMultiByte(kCodePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(kCodePage, 0, text, length, &out[0], size, nullptr, nullptr);
    }
    return out;
}

int Registry() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open the Fonts key\n");
        return 3;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = sizeof name / sizeof name[0];
        BYTE data[65536];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG result =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            std::fprintf(stderr, "RegEnumValueW failed: %ld\n", static_cast<long>(result));
            RegCloseKey(key);
            return 3;
        }
        // String data: drop the terminator, which is not part of the value's text.
        int chars = static_cast<int>(dataSize / sizeof(wchar_t));
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
        while (chars > 0 && text[chars - 1] == L'\0') {
            --chars;
        }
        std::printf("value name=%s type=%lu data=%s\n",
                    ToHex(ToCp932(name, static_cast<int>(nameLength))).c_str(),
                    static_cast<unsigned long>(type), ToHex(ToCp932(text, chars)).c_str());
    }
    RegCloseKey(key);
    return 0;
}

// EnumFontFamiliesA callbacks must be stdcall, which a lambda cannot be on 32-bit x86.
int CALLBACK PrintFamily(const LOGFONTA* font, const TEXTMETRICA* /*metrics*/, DWORD type,
                         LPARAM /*unused*/) {
    std::printf("family name=%s charset=%u type=%lu\n", ToHex(font->lfFaceName).c_str(),
                static_cast<unsigned>(font->lfCharSet), static_cast<unsigned long>(type));
    return 1;
}

int Families(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 2; i < argc; i += 2) {
        std::string path;
        if (std::strcmp(argv[i], "--add-hex") != 0 || i + 1 >= argc ||
            !FromHex(argv[i + 1], path)) {
            std::fprintf(stderr, "usage: fontprobe families [--add-hex HEX]...\n");
            return 2;
        }
        files.push_back(path);
    }
    std::vector<int> added;
    for (const std::string& path : files) {
        added.push_back(AddFontResourceA(path.c_str()));
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        std::fprintf(stderr, "no screen device context\n");
        return 3;
    }
    EnumFontFamiliesA(screen, nullptr, PrintFamily, 0);
    ReleaseDC(nullptr, screen);
    for (std::size_t i = 0; i < files.size(); ++i) {
        // Not removed again: the fonts go with the process, and under Wine a removal of a font
        // from outside the Fonts folder has upset the next process of the prefix.
        std::printf("added path=%s result=%d\n", ToHex(files[i]).c_str(), added[i]);
    }
    return 0;
}

int CALLBACK PrintFace(const LOGFONTA* font, const TEXTMETRICA* /*metrics*/, DWORD /*type*/,
                       LPARAM /*unused*/) {
    const auto* named = reinterpret_cast<const ENUMLOGFONTA*>(font);
    std::printf("face name=%s full=%s\n", ToHex(font->lfFaceName).c_str(),
                ToHex(reinterpret_cast<const char*>(named->elfFullName)).c_str());
    return 1;
}

int Faces(const char* hex) {
    std::string family;
    if (!FromHex(hex, family)) {
        std::fprintf(stderr, "usage: fontprobe faces HEX\n");
        return 2;
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        std::fprintf(stderr, "no screen device context\n");
        return 3;
    }
    EnumFontFamiliesA(screen, family.c_str(), PrintFace, 0);
    ReleaseDC(nullptr, screen);
    return 0;
}

// Removes font resources by path, in order, and prints each result.
int Remove(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        std::string path;
        if (!FromHex(argv[i], path)) {
            std::fprintf(stderr, "usage: fontprobe remove HEX...\n");
            return 2;
        }
        const BOOL removed = RemoveFontResourceA(path.c_str());
        std::printf("removed path=%s result=%d error=%lu\n", ToHex(path).c_str(), removed,
                    static_cast<unsigned long>(removed ? 0 : GetLastError()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "registry") == 0 && argc == 2) {
        return Registry();
    }
    if (argc >= 2 && std::strcmp(argv[1], "families") == 0) {
        return Families(argc, argv);
    }
    if (argc == 3 && std::strcmp(argv[1], "faces") == 0) {
        return Faces(argv[2]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "remove") == 0) {
        return Remove(argc, argv);
    }
    std::fprintf(stderr,
                 "usage: fontprobe registry | families [--add-hex HEX]... | faces HEX | remove "
                 "HEX...\n");
    return 2;
}

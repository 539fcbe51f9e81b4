// The folder, the console and GDI on Windows: names and texts are already in the ANSI code
// page (932 on a Japanese system), so they pass through unchanged.
#include <windows.h>

#include <cstdio>
#include <set>

#include "common/cp932.h"
#include "fontlist/cli.h"

namespace fontlist {

namespace {

int CALLBACK CollectFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM param) {
    reinterpret_cast<std::set<std::string>*>(param)->insert(font->lfFaceName);
    return 1;
}

std::set<std::string> EnumerateFamilies() {
    std::set<std::string> families;
    HDC screen = GetDC(nullptr);
    LOGFONTA query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(screen, &query, CollectFamily, reinterpret_cast<LPARAM>(&families), 0);
    ReleaseDC(nullptr, screen);
    return families;
}

// Loads the font for this process only and reads the families it adds to the enumeration.
class GdiFonts final : public SystemFonts {
  public:
    explicit GdiFonts(std::string folder) : folder_(std::move(folder)) {}

    bool Families(const std::string& fileName, std::vector<std::string>& families) override {
        const std::string path = Path(fileName);
        const std::set<std::string> before = EnumerateFamilies();
        if (AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr) == 0) {
            return false;
        }
        const std::set<std::string> after = EnumerateFamilies();
        RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
        for (const std::string& family : after) {
            if (before.count(family) == 0) {
                families.push_back(family);
            }
        }
        // Nothing new: the family was there already (installed), so this tells nothing.
        return !families.empty();
    }

    std::string Path(const std::string& fileName) const {
        if (fileName.size() > 1 && (fileName[1] == ':' || fileName[0] == '\\')) {
            return fileName;
        }
        return folder_ + fileName;
    }

  private:
    std::string folder_;
};

class Win32Host final : public Host {
  public:
    explicit Win32Host(const std::string& folder)
        : given_(folder), folder_(WithSeparator(folder)), gdi_(folder_) {}

    bool FolderExists() override {
        if (given_.empty()) {
            return true;
        }
        const DWORD attributes = GetFileAttributesA(given_.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    std::string FolderName() override { return given_; }

    bool Read(const std::string& fileName, std::string& bytes) override {
        FILE* file = std::fopen(gdi_.Path(fileName).c_str(), "rb");
        if (file == nullptr) {
            return false;
        }
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.append(buffer, n);
        }
        const bool ok = std::ferror(file) == 0;
        static_cast<void>(std::fclose(file));  // read only: nothing is lost on a failed close
        return ok;
    }

    bool List(std::vector<std::string>& fileNames) override {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return false;
        }
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                fileNames.push_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return true;
    }

    bool Exists(const std::string& fileName) override {
        return GetFileAttributesA(gdi_.Path(fileName).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool Write(const std::string& fileName, const std::string& bytes) override {
        FILE* file = std::fopen(gdi_.Path(fileName).c_str(), "wb");
        if (file == nullptr) {
            return false;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && written;
    }

    void Print(const std::string& line) override {
        std::fputs((line + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

    SystemFonts* System() override { return &gdi_; }

  private:
    static std::string WithSeparator(const std::string& folder) {
        if (folder.empty()) {
            return "";
        }
        // The trail byte 0x5C of a last character such as ソ is no separator.
        return (cp932::EndsWithBackslash(folder) || folder.back() == '/') ? folder : folder + "\\";
    }

    std::string given_;
    std::string folder_;
    GdiFonts gdi_;
};

}  // namespace

std::unique_ptr<Host> OpenFolder(const std::string& folder) {
    return std::make_unique<Win32Host>(folder);
}

}  // namespace fontlist

// The folder, the console and GDI on Windows: names and texts are already in the ANSI code
// page (932 on a Japanese system), so they pass through unchanged.
#include <windows.h>

#include <cstdio>
#include <set>
#include <utility>

#include "common/cp932.h"
#include "fontlist/cli.h"

namespace fontlist {

namespace {

using Faces = std::set<std::pair<std::string, std::string>>;  // family, full name

int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM param) {
    const auto* named = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
    reinterpret_cast<Faces*>(param)->insert(
        {font->lfFaceName, reinterpret_cast<const char*>(named->elfFullName)});
    return 1;
}

Faces EnumerateFaces() {
    Faces faces;
    HDC screen = GetDC(nullptr);
    LOGFONTA query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(screen, &query, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

// A font file read with positioned reads, so only the parts the names need leave the disk.
class Win32FontData final : public FontData {
  public:
    Win32FontData(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}
    ~Win32FontData() override { CloseHandle(file_); }
    Win32FontData(const Win32FontData&) = delete;
    Win32FontData& operator=(const Win32FontData&) = delete;

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) override {
        bytes.resize(length);
        std::size_t done = 0;
        while (done < length) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFF);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD n = 0;
            if (!ReadFile(file_, &bytes[done], static_cast<DWORD>(length - done), &n, &at) ||
                n == 0) {
                return false;
            }
            done += n;
        }
        return true;
    }

  private:
    HANDLE file_;
    std::uint64_t size_;
};

// Loads the font for this process only and reads the faces it adds to the enumeration.
class GdiFonts final : public SystemFonts {
  public:
    explicit GdiFonts(std::string folder) : folder_(std::move(folder)) {}

    SystemAnswer Faces(const std::string& fileName, const std::string& faceName,
                       std::vector<SystemFace>& faces) override {
        const std::string path = Path(fileName);
        const ::fontlist::Faces before = EnumerateFaces();
        if (AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr) == 0) {
            // Wine refuses a second file of a face it has, as it refuses a broken one; a face
            // of the line's name listed already tells the two apart.
            for (const auto& [family, fullName] : before) {
                if (SystemFace{family, fullName}.IsNamed(faceName)) {
                    return SystemAnswer::kKnown;
                }
            }
            return SystemAnswer::kRefused;
        }
        const ::fontlist::Faces after = EnumerateFaces();
        RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
        for (const auto& [family, fullName] : after) {
            if (before.count({family, fullName}) == 0) {
                faces.push_back(SystemFace{family, fullName});
            }
        }
        // Nothing new: the font was there already (installed), so this tells nothing.
        return faces.empty() ? SystemAnswer::kKnown : SystemAnswer::kAdded;
    }

    unsigned CodePage() override { return GetACP(); }

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

    std::unique_ptr<FontData> Open(const std::string& fileName) override {
        HANDLE file = CreateFileA(gdi_.Path(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size)) {
            CloseHandle(file);
            return nullptr;
        }
        return std::make_unique<Win32FontData>(file, static_cast<std::uint64_t>(size.QuadPart));
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

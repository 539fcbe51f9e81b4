// Whole install runs against the fake: a random FontList, a random font table, files already in
// place, failures of any system call, any answer to the conflict dialog and Cancel at any pump.
// Whatever happens, nothing may be written or deleted outside the destination and the Fonts
// folder, no file of the package (any line of FontList, chosen or not, under any spelling) may be
// written or deleted, no value may name a file the run did not copy (or find already in place),
// and 1 must mean every font went in.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "process/globals.h"
#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "engine/conflict_dialog.h"
#include "engine/install_fonts.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/destination.h"
#include "services/progress_dialog.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kFonts[] = "C:\\WINDOWS\\Fonts";

const char* const kFaces[] = {"A", "B", "ソ表", "A ", "Ｆ"};
const char* const kFiles[] = {"a.ttf",
                              "sub\\a.ttf",
                              "../x.ttf",
                              "b.OTF",
                              "c",
                              "ソ表.ttc",
                              "..\\..\\evil.ttf",
                              "C:\\Other\\o.ttf",
                              "Z:stream.ttf",
                              "sub/./a1.ttf",
                              ".\\b.otf",
                              "a.ttf."};
const char* const kCalls[] = {"RemoveFontResourceA",
                              "RegDeleteValueA",
                              "RegSetValueExA",
                              "AddFontResourceA",
                              "SetFileInformationByHandle",
                              "fopen",
                              "CreateFileA",
                              "RegQueryInfoKeyA",
                              "RegOpenKeyExA",
                              "DialogBoxParamA",
                              "GetDiskFreeSpaceExA"};
const int kAnswers[] = {win::kIdOk, IDC_RENAME, win::kIdCancel};
const char* const kSuffixes[] = {" (TrueType)", " (OpenType)", "", " (True Type)"};
// C:\PACKAG~1 is the package's folder under its short name.
const char* const kDestinations[] = {"C:\\WINDOWS\\Fonts\\", "C:\\Dest\\", "C:\\Dest\\Sub\\",
                                     "c:\\package\\", "C:\\PACKAG~1\\"};
// Where installed fonts lie: an earlier run may have installed one in the package's own folder.
const char* const kRecordFolders[] = {"C:\\Dest\\", "C:\\WINDOWS\\Fonts\\", "C:\\Package\\",
                                      "C:\\PACKAG~1\\"};
const char* const kStrays[] = {"a.ttf", "a1.ttf", "b.OTF", "c", "x.ttf"};

// A path that ends in a separator, or whose last part is only spaces and dots (which the system
// drops), names a folder: the system never lets a file take a folder's place.
bool NamesAFolder(const std::string& path) {
    const std::size_t backslash = cp932::FindLastBackslash(path);
    const std::size_t slash = path.rfind('/');  // never a trail byte
    std::size_t start = 0;
    if (backslash != std::string::npos) {
        start = backslash + 1;
    }
    if (slash != std::string::npos && slash + 1 > start) {
        start = slash + 1;
    }
    return path.find_first_not_of(" .", start) == std::string::npos;
}

template <typename T, std::size_t N>
const T& Pick(FuzzedDataProvider& input, const T (&choices)[N]) {
    return choices[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

std::string PathLike(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return Pick(input, kFiles);
    }
    std::string path;
    for (const char c : input.ConsumeRandomLengthString(24)) {
        path += PathByte(static_cast<unsigned char>(c));
    }
    return path;
}

// The call's path argument, after the call name and one blank.
std::string ArgumentOf(const std::string& call, const std::string& name) {
    return call.substr(name.size() + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// True when full lies directly in folder (both full paths; compared without regard to case).
bool DirectlyIn(const std::string& full, const std::string& folder) {
    const std::size_t slash = cp932::FindLastBackslash(full);
    return slash != std::string::npos && cp932::EqualsIgnoreCase(full.substr(0, slash), folder);
}

std::string DataString(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    fake::FakePlatform windows;
    platform::ScopedPlatform scope(windows.Platform());
    windows.AddFolder("C:\\Dest\\Sub");
    windows.AddFolder("C:\\Other");
    windows.AddAlias("C:\\PACKAG~1", "C:\\Package");
    OsClass = input.ConsumeIntegralInRange<int32_t>(0, 7);
    PlatformId = 2;
    SameForFollowing = input.ConsumeBool() ? 1 : 0;
    ConflictMessage.clear();

    // The package: its lines, some of them chosen.
    std::vector<FontEntry> selection;
    FontList.clear();
    const int fonts = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < fonts; ++i) {
        FontEntry font{
            input.ConsumeBool() ? Pick(input, kFaces) : input.ConsumeRandomLengthString(8),
            PathLike(input)};
        windows.currentDirectory = "C:\\Package";
        if (input.ConsumeBool() && !NamesAFolder(font.fileName) &&
            !windows.FolderExists(font.fileName)) {
            const std::size_t padding = input.ConsumeIntegralInRange<std::size_t>(0, 2500);
            windows.AddFile(font.fileName,
                            "FACE=" + font.fontName + "\n" + std::string(padding, 'x'));
        }
        windows.currentDirectory = "C:\\";
        FontList.push_back(font);
        if (input.ConsumeBool()) {
            selection.push_back(font);
        }
    }
    // What is installed already, and what lies in the folders.
    const int installed = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < installed; ++i) {
        const std::string face = Pick(input, kFaces);
        const std::string suffix = Pick(input, kSuffixes);
        std::string file = PathLike(input);
        if (input.ConsumeBool()) {
            file = std::string(Pick(input, kRecordFolders)) + Pick(input, kFiles);
        }
        windows.AddStringValue(kNtKey, face + suffix, file);
        const std::string full = file.size() > 1 && (file[1] == ':' || file[0] == '\\')
                                     ? file
                                     : std::string(kFonts) + "\\" + file;
        if (input.ConsumeBool() && full.find(':', 2) == std::string::npos && !NamesAFolder(full) &&
            !windows.FolderExists(full)) {
            windows.AddFile(full, "FACE=" + face + "\n");
            if (input.ConsumeBool()) {
                windows.loadedFonts.push_back(windows.FullPath(full));
            }
        }
    }
    const int families = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < families; ++i) {
        windows.fontFamilies.push_back(Pick(input, kFaces));
    }
    const std::string destination = Pick(input, kDestinations);
    const int strays = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < strays; ++i) {
        windows.AddFile(destination + Pick(input, kStrays), "stray");
    }
    if (input.ConsumeBool()) {
        windows.freeBytesEx[destination] = input.ConsumeIntegral<uint32_t>();
    }
    // The destination as the install command checks and holds it, before the run's failures.
    Destination held(destination, cp932::EqualsIgnoreCase(destination, std::string(kFonts) + "\\"));
    FUZZ_CHECK(held.HoldLevels() == Destination::Hold::Held);
    const int failures = input.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < failures; ++i) {
        windows.Fail(Pick(input, kCalls));
    }
    const int answer = Pick(input, kAnswers);
    const bool tick = input.ConsumeBool();
    windows.onDialogShown = [&](platform::WindowHandle shown, fake::FakeDialog& dialog) {
        if (dialog.templateId == IDD_CONFLICT) {
            windows.SendDlgItemMessage(shown, IDC_SAME_FOR_FOLLOWING, win::kBmSetCheck, tick, 0);
            windows.SendCommand(shown, answer);
        }
    };
    void* progress =
        windows.CreateDialogParam(nullptr, IDD_PROGRESS, nullptr, ProgressDialogProc, 0);
    ProgressDialog = progress;
    const int cancelAt = input.ConsumeIntegralInRange(0, 60);
    windows.onPeekMessage = [&](int count) {
        if (count == cancelAt) {
            windows.PostCommand(progress, win::kIdCancel);
        }
    };
    // A server that gives every file the id 0, and a system whose final-path call fails.
    windows.zeroFileIds = input.ConsumeBool();
    if (input.ConsumeBool()) {
        windows.Fail("GetFinalPathNameByHandleA");
    }

    // The package's files, as the run finds them from the program's folder, with what they hold
    // and which files they are.
    std::vector<std::string> packageFiles;
    std::vector<std::string> packageNames;  // as FontList names them
    std::vector<std::string> packageContents;
    std::vector<platform::FileIdentity> packageIdentities;
    windows.currentDirectory = "C:\\Package";
    for (const FontEntry& font : FontList) {
        platform::FileIdentity identity;
        if (windows.GetFileIdentity(font.fileName, identity)) {
            packageFiles.push_back(windows.FullPath(font.fileName));
            packageNames.push_back(font.fileName);
            packageContents.push_back(windows.Contents(font.fileName));
            packageIdentities.push_back(identity);
        }
    }
    windows.currentDirectory = "C:\\";
    const auto isPackageFile = [&](const std::string& full) {
        platform::FileIdentity identity;
        const bool known = windows.GetFileIdentity(full, identity) && identity.Known();
        for (std::size_t i = 0; i < packageFiles.size(); ++i) {
            if (cp932::EqualsIgnoreCase(packageFiles[i], full) ||
                (known && identity == packageIdentities[i])) {
                return true;
            }
        }
        return false;
    };

    std::map<std::string, std::string> before;
    for (const fake::RegistryValue& value : *windows.Values(kNtKey)) {
        before[value.name] = value.data;
    }
    windows.calls.clear();
    const int result = InstallFonts(progress, selection, held);
    // The checks below ask the fake too; what the run called stops here.
    const std::vector<std::string> calls = windows.calls;

    // 1. Files are created and deleted only directly in the destination or the Fonts folder, and
    //    protected outside the Fonts folder.
    const std::string destinationFolder = destination.substr(0, destination.size() - 1);
    std::set<std::string> written;
    for (const std::string& call : calls) {
        std::string path;
        if (StartsWith(call, "CreateFileA CREATE_NEW ")) {
            path = ArgumentOf(call, "CreateFileA CREATE_NEW");
            written.insert(windows.FullPath(path));
            // Outside the Fonts folder only administrators may change what the run wrote.
            if (windows.FileExists(path) && (windows.SecurityOf(path) == nullptr) !=
                                                DirectlyIn(windows.FullPath(path), kFonts)) {
                std::fprintf(stderr, "%s has the wrong protection\n", path.c_str());
                FUZZ_CHECK(false);
            }
        } else if (StartsWith(call, "CreateFileA DELETE ")) {
            path = ArgumentOf(call, "CreateFileA DELETE");
        } else {
            continue;
        }
        const std::string full = windows.FullPath(path);
        if (windows.FolderExists(full)) {
            continue;  // a name of dots alone is the folder itself, which neither call touches
        }
        if (isPackageFile(full)) {
            std::fprintf(stderr, "%s touched a file of the package\n", call.c_str());
            FUZZ_CHECK(false);
        }
        if (!DirectlyIn(full, destinationFolder) && !DirectlyIn(full, kFonts)) {
            std::fprintf(stderr, "touched %s (named \"%s\", destination %s)\n", full.c_str(),
                         path.c_str(), destination.c_str());
            FUZZ_CHECK(false);
        }
    }
    // Under whatever spelling the run reached it, every file of the package is as it was.
    windows.currentDirectory = "C:\\Package";
    for (std::size_t i = 0; i < packageFiles.size(); ++i) {
        if (!windows.FileExists(packageNames[i]) ||
            windows.Contents(packageNames[i]) != packageContents[i]) {
            std::fprintf(stderr, "%s of the package was deleted or written\n",
                         packageFiles[i].c_str());
            for (const std::string& call : calls) {
                std::fprintf(stderr, "  %s\n", call.c_str());
            }
            FUZZ_CHECK(false);
        }
    }
    windows.currentDirectory = "C:\\";
    // 2. Every value the run wrote names a file it copied and that is still there.
    for (const fake::RegistryValue& value : *windows.Values(kNtKey)) {
        auto old = before.find(value.name);
        if (old != before.end() && old->second == value.data) {
            continue;
        }
        std::string file = DataString(value.data);
        if (!(file.size() > 1 && file[1] == ':')) {
            file = std::string(kFonts) + "\\" + file;
        }
        const bool copied = written.count(windows.FullPath(file)) == 1;
        if (!(copied || isPackageFile(windows.FullPath(file))) || !windows.FileExists(file)) {
            std::fprintf(stderr, "value %s names %s, which this run did not copy\n",
                         value.name.c_str(), file.c_str());
            for (const FontEntry& font : selection) {
                std::fprintf(stderr, "  chosen [%s] [%s]\n", font.fontName.c_str(),
                             font.fileName.c_str());
            }
            for (const std::string& call : calls) {
                std::fprintf(stderr, "  %s\n", call.c_str());
            }
            FUZZ_CHECK(false);
        }
    }
    // 3. Success means every chosen font is in: its file copied, loaded and recorded.
    FUZZ_CHECK(result == 0 || result == 1);
    if (result == 1) {
        for (const FontEntry& font : selection) {
            bool found = false;
            for (const fake::RegistryValue& value : *windows.Values(kNtKey)) {
                // Value names compare without regard to ASCII case: "b" recorded stands for "B".
                if (value.name.size() < font.fontName.size() ||
                    !cp932::EqualsIgnoreCase(value.name.substr(0, font.fontName.size()),
                                             font.fontName)) {
                    continue;
                }
                std::string file = DataString(value.data);
                if (!(file.size() > 1 && file[1] == ':')) {
                    file = std::string(kFonts) + "\\" + file;
                }
                const bool inPlace = written.count(windows.FullPath(file)) == 1 ||
                                     isPackageFile(windows.FullPath(file));
                found = found || (windows.FileExists(file) && windows.FontLoaded(file) && inPlace);
            }
            FUZZ_CHECK(found);
        }
        FUZZ_CHECK(!calls.empty() && StartsWith(calls.back(), "SendMessageTimeoutA"));
    }
    FUZZ_CHECK(windows.liveKeys == 0 && windows.liveDeviceContexts == 0);
    ProgressDialog = nullptr;
    CancelRequested = 0;
    FontList.clear();
    return 0;
}

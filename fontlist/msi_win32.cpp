// The package's scratch folder, database and cabinet on Windows, through msi.dll and cabinet.dll,
// which every Windows has. Neither is imported: fontlist.exe often lies in a download folder
// beside files from others, so both are loaded from the system folder by their full paths.
#include <windows.h>
// After windows.h, whose types these use.
#include <fcntl.h>
#include <fci.h>
#include <msi.h>
#include <msiquery.h>
#include <ntsecapi.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/path_parts.h"
#include "fontlist/msi.h"

namespace fontlist {

namespace {

// The summary properties that are numbers (the SDK's PID_ names clash between its headers).
constexpr int kCodepageId = 1;
constexpr int kPageCountId = 14;
constexpr int kWordCountId = 15;
constexpr int kSecurityId = 19;

std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return L"";
    }
    const int size =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            size);
    }
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) {
        return "";
    }
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                            size, nullptr, nullptr);
    }
    return narrow;
}

HMODULE SystemLibrary(const char* name) {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::string full = std::string(path, length) + "\\" + name;
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    // Its own dependencies are looked for beside it, in the system folder, too.
    return LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
bool LookUp(HMODULE library, const char* name, Function& function) {
    function = library == nullptr ? nullptr
                                  : reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
                                        GetProcAddress(library, name)));
    return function != nullptr;
}

// The calls of msi.dll this tool makes.
struct MsiCalls {
    decltype(&MsiOpenDatabaseW) openDatabase = nullptr;
    decltype(&MsiDatabaseImportW) import = nullptr;
    decltype(&MsiDatabaseOpenViewW) openView = nullptr;
    decltype(&MsiViewExecute) execute = nullptr;
    decltype(&MsiViewModify) modify = nullptr;
    decltype(&MsiCreateRecord) createRecord = nullptr;
    decltype(&MsiRecordSetStringW) setString = nullptr;
    decltype(&MsiRecordSetInteger) setInteger = nullptr;
    decltype(&MsiRecordSetStreamW) setStream = nullptr;
    decltype(&MsiGetSummaryInformationW) summary = nullptr;
    decltype(&MsiSummaryInfoSetPropertyW) setProperty = nullptr;
    decltype(&MsiSummaryInfoPersist) persist = nullptr;
    decltype(&MsiDatabaseCommit) commit = nullptr;
    decltype(&MsiCloseHandle) close = nullptr;

    bool Load() {
        HMODULE msi = SystemLibrary("msi.dll");
        return LookUp(msi, "MsiOpenDatabaseW", openDatabase) &&
               LookUp(msi, "MsiDatabaseImportW", import) &&
               LookUp(msi, "MsiDatabaseOpenViewW", openView) &&
               LookUp(msi, "MsiViewExecute", execute) && LookUp(msi, "MsiViewModify", modify) &&
               LookUp(msi, "MsiCreateRecord", createRecord) &&
               LookUp(msi, "MsiRecordSetStringW", setString) &&
               LookUp(msi, "MsiRecordSetInteger", setInteger) &&
               LookUp(msi, "MsiRecordSetStreamW", setStream) &&
               LookUp(msi, "MsiGetSummaryInformationW", summary) &&
               LookUp(msi, "MsiSummaryInfoSetPropertyW", setProperty) &&
               LookUp(msi, "MsiSummaryInfoPersist", persist) &&
               LookUp(msi, "MsiDatabaseCommit", commit) && LookUp(msi, "MsiCloseHandle", close);
    }
};

// An MSIHANDLE closed when it goes.
class Handle {
  public:
    explicit Handle(const MsiCalls& calls) : calls_(calls) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != 0) {
            calls_.close(handle_);
        }
    }
    MSIHANDLE* Out() { return &handle_; }
    MSIHANDLE Get() const { return handle_; }

  private:
    const MsiCalls& calls_;
    MSIHANDLE handle_ = 0;
};

// FCI names every file through these calls; the names are UTF-8, so that any path the system
// gives the scratch folder passes through FCI's byte strings.
struct CabinetFiles {
    std::string folder;  // UTF-8, without a trailing backslash
    int temporaries = 0;
};

void* DIAMONDAPI Allocate(ULONG cb) {
    return std::malloc(cb);
}

void DIAMONDAPI Release(void* memory) {
    std::free(memory);
}

INT_PTR DIAMONDAPI OpenFile(char* pszFile, int oflag, int pmode, int* err, void* pv) {
    (void)pmode;
    (void)pv;
    const int mode = oflag & (_O_RDONLY | _O_WRONLY | _O_RDWR);
    const DWORD access = mode == _O_WRONLY ? GENERIC_WRITE
                         : mode == _O_RDWR ? GENERIC_READ | GENERIC_WRITE
                                           : GENERIC_READ;
    DWORD creation = OPEN_EXISTING;
    if ((oflag & _O_CREAT) != 0) {
        creation = (oflag & _O_EXCL) != 0    ? CREATE_NEW
                   : (oflag & _O_TRUNC) != 0 ? CREATE_ALWAYS
                                             : OPEN_ALWAYS;
    } else if ((oflag & _O_TRUNC) != 0) {
        creation = TRUNCATE_EXISTING;
    }
    HANDLE file = CreateFileW(Wide(pszFile, CP_UTF8).c_str(), access, FILE_SHARE_READ, nullptr,
                              creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return reinterpret_cast<INT_PTR>(file);
}

UINT DIAMONDAPI ReadFile(INT_PTR hf, void* memory, UINT cb, int* err, void* pv) {
    (void)pv;
    DWORD done = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return done;
}

UINT DIAMONDAPI WriteFile(INT_PTR hf, void* memory, UINT cb, int* err, void* pv) {
    (void)pv;
    DWORD done = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return done;
}

int DIAMONDAPI CloseFile(INT_PTR hf, int* err, void* pv) {
    (void)err;
    (void)pv;
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}

__LONG32 DIAMONDAPI SeekFile(INT_PTR hf, __LONG32 dist, int seektype, int* err, void* pv) {
    (void)pv;
    const DWORD moved =
        SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, static_cast<DWORD>(seektype));
    if (moved == INVALID_SET_FILE_POINTER) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return static_cast<__LONG32>(moved);
}

int DIAMONDAPI DeleteFile(char* pszFile, int* err, void* pv) {
    (void)pv;
    if (!DeleteFileW(Wide(pszFile, CP_UTF8).c_str())) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return 0;
}

BOOL DIAMONDAPI TemporaryFile(char* pszTempName, int cbTempName, void* pv) {
    auto* files = static_cast<CabinetFiles*>(pv);
    const std::string name = files->folder + "\\fci" + std::to_string(++files->temporaries);
    if (name.size() >= static_cast<std::size_t>(cbTempName)) {
        return FALSE;
    }
    lstrcpynA(pszTempName, name.c_str(), cbTempName);
    return TRUE;
}

int DIAMONDAPI FilePlaced(PCCAB pccab, char* pszFile, __LONG32 cbFile, BOOL fContinuation,
                          void* pv) {
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}

// One cabinet only: the limits were checked before.
BOOL DIAMONDAPI NextCabinet(PCCAB pccab, ULONG cbPrevCab, void* pv) {
    (void)pccab;
    (void)cbPrevCab;
    (void)pv;
    return FALSE;
}

__LONG32 DIAMONDAPI Progress(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv) {
    (void)typeStatus;
    (void)cb1;
    (void)cb2;
    (void)pv;
    return 0;
}

INT_PTR DIAMONDAPI OpenSource(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs,
                              int* err, void* pv) {
    HANDLE file = CreateFileW(Wide(pszName, CP_UTF8).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    (void)pv;
    FILETIME written = {};
    FILETIME local = {};
    GetFileTime(file, nullptr, nullptr, &written);
    FileTimeToLocalFileTime(&written, &local);
    FileTimeToDosDateTime(&local, pdate, ptime);
    *pattribs = 0;
    return reinterpret_cast<INT_PTR>(file);
}

class Win32MsiTools final : public MsiTools {
  public:
    Win32MsiTools() = default;
    Win32MsiTools(const Win32MsiTools&) = delete;
    Win32MsiTools& operator=(const Win32MsiTools&) = delete;

    ~Win32MsiTools() override {
        if (scratch_.empty()) {
            return;
        }
        WIN32_FIND_DATAW found = {};
        HANDLE search = FindFirstFileW((scratch_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    DeleteFileW((scratch_ + L"\\" + found.cFileName).c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(scratch_.c_str());
    }

    bool Begin() override {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        if (length == 0 || length > MAX_PATH) {
            return false;
        }
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::wstring folder = std::wstring(temp, length) + L"fontlist-msi-" +
                                        std::to_wstring(GetCurrentProcessId()) + L"-" +
                                        std::to_wstring(attempt);
            if (CreateDirectoryW(folder.c_str(), nullptr)) {
                scratch_ = folder;
                return true;
            }
        }
        return false;
    }

    bool WriteScratch(const std::string& name, const std::string& bytes) override {
        HANDLE file = CreateFileW(Scratch(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
        bool written = true;
        for (std::size_t at = 0; written && at < bytes.size();) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20));
            DWORD done = 0;
            written = ::WriteFile(file, bytes.data() + at, chunk, &done, nullptr) && done == chunk;
            at += chunk;
        }
        return CloseHandle(file) && written;
    }

    bool MakeCabinet(const std::string& cabinet, const std::vector<std::string>& files,
                     std::string& error) override {
        using Create = decltype(&FCICreate);
        using Add = decltype(&FCIAddFile);
        using Flush = decltype(&FCIFlushCabinet);
        using Destroy = decltype(&FCIDestroy);
        Create create = nullptr;
        Add add = nullptr;
        Flush flush = nullptr;
        Destroy destroy = nullptr;
        HMODULE library = SystemLibrary("cabinet.dll");
        if (!LookUp(library, "FCICreate", create) || !LookUp(library, "FCIAddFile", add) ||
            !LookUp(library, "FCIFlushCabinet", flush) || !LookUp(library, "FCIDestroy", destroy)) {
            error = "cabinet.dll を読み込めません。";
            return false;
        }
        CabinetFiles names{Narrow(scratch_, CP_UTF8)};
        CCAB where = {};
        where.cb = CB_MAX_DISK;
        where.cbFolderThresh = CB_MAX_DISK;
        where.iCab = 1;
        where.setID = 1;
        const std::string path = names.folder + "\\";
        if (path.size() >= sizeof where.szCabPath || cabinet.size() >= sizeof where.szCab) {
            error = "作業用フォルダのパスが長すぎます。";
            return false;
        }
        lstrcpynA(where.szCabPath, path.c_str(), sizeof where.szCabPath);
        lstrcpynA(where.szCab, cabinet.c_str(), sizeof where.szCab);
        ERF failure = {};
        HFCI context =
            create(&failure, FilePlaced, Allocate, Release, OpenFile, ReadFile, WriteFile,
                   CloseFile, SeekFile, DeleteFile, TemporaryFile, &where, &names);
        bool made = context != nullptr;
        for (std::size_t i = 0; made && i < files.size(); ++i) {
            std::string source = path + files[i];
            std::string stored = files[i];
            made = add(context, &source[0], &stored[0], FALSE, NextCabinet, Progress, OpenSource,
                       tcompTYPE_MSZIP);
        }
        made = made && flush(context, FALSE, NextCabinet, Progress);
        if (context != nullptr) {
            destroy(context);
        }
        if (!made) {
            error = "キャビネットを書けません（FCI エラー " + std::to_string(failure.erfOper) +
                    "、" + std::to_string(failure.erfType) + "）。";
        }
        return made;
    }

    bool MakeDatabase(const std::string& package, const MsiTables& tables,
                      const std::string& cabinet, std::string& error) override {
        MsiCalls calls;
        if (!calls.Load()) {
            error = "msi.dll を読み込めません。";
            return false;
        }
        Handle database(calls);
        UINT result = calls.openDatabase(
            Scratch(package).c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_CREATE), database.Out());
        const auto failed = [&error, &result](const std::string& what) {
            error = "Windows Installer が" + what + "を書けません（エラー " +
                    std::to_string(result) + "）。";
            return false;
        };
        if (result != ERROR_SUCCESS) {
            return failed("データベース");
        }
        // The archives carry only the tables' definitions, in ASCII; every value goes in
        // through a record as Unicode, whatever the system's code page.
        if (!WriteScratch("codepage.idt", CodepageArchive(tables.codepage)) ||
            (result = calls.import(database.Get(), scratch_.c_str(), L"codepage.idt")) !=
                ERROR_SUCCESS) {
            return failed("コードページ");
        }
        for (const MsiTable& table : tables.tables) {
            const std::string archive = table.name + ".idt";
            if (!WriteScratch(archive, ArchiveText(table, false)) ||
                (result = calls.import(database.Get(), scratch_.c_str(),
                                       Wide(archive, CP_UTF8).c_str())) != ERROR_SUCCESS ||
                (result = InsertRows(calls, database.Get(), table)) != ERROR_SUCCESS) {
                return failed("表 " + table.name);
            }
        }
        if ((result = InsertStream(calls, database.Get(), cabinet)) != ERROR_SUCCESS) {
            return failed("キャビネット");
        }
        if ((result = WriteSummary(calls, database.Get(), tables)) != ERROR_SUCCESS) {
            return failed("概要情報");
        }
        if ((result = calls.commit(database.Get())) != ERROR_SUCCESS) {
            return failed("データベース");
        }
        return true;
    }

    bool Deliver(const std::string& name, const std::string& output) override {
        return MoveFileExW(Scratch(name).c_str(), Wide(output, CP_ACP).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
    }

    bool ArgumentText(const std::string& argument, std::string& text) override {
        // Arguments come in the system's code page; CP932 must spell every character exactly.
        const std::wstring wide = Wide(argument, CP_ACP);
        BOOL lossy = FALSE;
        const int size =
            WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
        text.assign(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        if (size > 0) {
            WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(),
                                static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
        }
        return !lossy && (size > 0 || argument.empty());
    }

    std::string FolderBaseName(const std::string& folder) override {
        char full[MAX_PATH] = {};
        const DWORD length =
            GetFullPathNameA(folder.empty() ? "." : folder.c_str(), MAX_PATH, full, nullptr);
        std::string path = length > 0 && length < MAX_PATH ? std::string(full, length) : folder;
        while (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
            path.pop_back();
        }
        const std::string base = LastComponent(path);
        // A drive's root has no name of its own.
        return base.find(':') == std::string::npos ? base : "";
    }

    void Random(std::uint8_t (&bytes)[16]) override {
        if (!RtlGenRandom(bytes, sizeof bytes)) {
            // The system's generator does not fail in practice; a GUID still differs by time.
            FILETIME now = {};
            GetSystemTimeAsFileTime(&now);
            for (std::size_t i = 0; i < sizeof bytes; ++i) {
                bytes[i] = static_cast<std::uint8_t>((now.dwLowDateTime >> (i % 4 * 8)) ^
                                                     GetTickCount() ^ i);
            }
        }
    }

  private:
    std::wstring Scratch(const std::string& name) const {
        return scratch_ + L"\\" + Wide(name, CP_UTF8);
    }

    static UINT InsertRows(const MsiCalls& calls, MSIHANDLE database, const MsiTable& table) {
        Handle view(calls);
        UINT result = calls.openView(
            database, Wide("SELECT * FROM `" + table.name + "`", CP_UTF8).c_str(), view.Out());
        if (result == ERROR_SUCCESS) {
            result = calls.execute(view.Get(), 0);
        }
        for (std::size_t r = 0; result == ERROR_SUCCESS && r < table.rows.size(); ++r) {
            Handle record(calls);
            *record.Out() = calls.createRecord(static_cast<UINT>(table.columns.size()));
            for (std::size_t i = 0; result == ERROR_SUCCESS && i < table.columns.size(); ++i) {
                const std::string& value = table.rows[r][i];
                const char type = table.columns[i].type[0];
                const UINT field = static_cast<UINT>(i + 1);
                if (value.empty()) {
                    continue;  // null
                }
                result = type == 'i' || type == 'I'
                             ? calls.setInteger(record.Get(), field, std::stoi(value))
                             : calls.setString(record.Get(), field, Wide(value, CP_UTF8).c_str());
            }
            if (result == ERROR_SUCCESS) {
                result = calls.modify(view.Get(), MSIMODIFY_INSERT, record.Get());
            }
        }
        return result;
    }

    UINT InsertStream(const MsiCalls& calls, MSIHANDLE database, const std::string& name) const {
        Handle view(calls);
        UINT result =
            calls.openView(database, L"SELECT `Name`, `Data` FROM `_Streams`", view.Out());
        if (result == ERROR_SUCCESS) {
            result = calls.execute(view.Get(), 0);
        }
        Handle record(calls);
        *record.Out() = calls.createRecord(2);
        if (result == ERROR_SUCCESS) {
            result = calls.setString(record.Get(), 1, Wide(name, CP_UTF8).c_str());
        }
        if (result == ERROR_SUCCESS) {
            result = calls.setStream(record.Get(), 2, Scratch(name).c_str());
        }
        if (result == ERROR_SUCCESS) {
            result = calls.modify(view.Get(), MSIMODIFY_INSERT, record.Get());
        }
        return result;
    }

    static UINT WriteSummary(const MsiCalls& calls, MSIHANDLE database, const MsiTables& tables) {
        Handle summary(calls);
        UINT result = calls.summary(database, nullptr, static_cast<UINT>(tables.summary.size()),
                                    summary.Out());
        // The code page comes first, so that the strings after it are stored in it.
        for (std::size_t i = 0; result == ERROR_SUCCESS && i < tables.summary.size(); ++i) {
            const auto& [id, value] = tables.summary[i];
            if (id == kCodepageId) {
                result =
                    calls.setProperty(summary.Get(), id, VT_I2, std::stoi(value), nullptr, nullptr);
            } else if (id == kPageCountId || id == kWordCountId || id == kSecurityId) {
                result =
                    calls.setProperty(summary.Get(), id, VT_I4, std::stoi(value), nullptr, nullptr);
            } else {
                result = calls.setProperty(summary.Get(), id, VT_LPSTR, 0, nullptr,
                                           Wide(value, static_cast<UINT>(tables.codepage)).c_str());
            }
        }
        return result == ERROR_SUCCESS ? calls.persist(summary.Get()) : result;
    }

    std::wstring scratch_;
};

}  // namespace

std::unique_ptr<MsiTools> OpenMsiTools() {
    return std::make_unique<Win32MsiTools>();
}

}  // namespace fontlist

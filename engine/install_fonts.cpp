#include "engine/install_fonts.h"

#include <cstdint>
#include <set>
#include <utility>

#include "process/globals.h"
#include "process/messages.h"
#include "catalogue/font_list.h"
#include "catalogue/installed_fonts.h"
#include "common/cp932.h"
#include "common/file_names.h"
#include "common/path_parts.h"
#include "engine/conflict_dialog.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/destination.h"
#include "services/file_copy.h"
#include "services/folders.h"
#include "services/font_registry.h"
#include "services/progress_dialog.h"

namespace {

// Windows broadcasts wait on every top-level window; a hung one must not hang the installer.
constexpr unsigned kBroadcastTimeoutMs = 5000;

const char kRemoveByHand[] =
    "\nコントロールパネルのフォントを使って削除してから、再度実行してください。";

std::string RemovalFailed(const std::string& fontName) {
    return "フォント「" + fontName + "」の削除に失敗しました。" + kRemoveByHand;
}

// Paths handed to the system's ANSI calls must stay below MAX_PATH, terminator included.
bool FitsPathLimit(const std::string& path) {
    return path.size() < win::kMaxPath;
}

std::string UnusableName(const std::string& fileName) {
    return "フォントファイル「" + fileName +
           "」はコピーできません。\nファイル名とコピー先のパスの長さ、使われている文字を確認して"
           "ください。";
}

// One font per face name: a face chosen on several lines (a .ttf and an .otf of one family, say)
// is installed from the first of them. A second line of the same face would meet the record
// the first one just replaced, or leave a loaded file that no value names.
std::vector<FontEntry> OneFontPerFaceName(const std::vector<FontEntry>& selection) {
    std::vector<FontEntry> fonts;
    for (const FontEntry& font : selection) {
        bool seen = false;
        for (const FontEntry& kept : fonts) {
            seen = seen || kept.fontName == font.fontName;
        }
        if (!seen) {
            fonts.push_back(font);
        }
    }
    return fonts;
}

// Every file a line of FontList.txt names, chosen or not: the run never deletes one, writes
// over one or copies onto one. Each name once, so each file is identified once a run.
std::vector<std::string> PackageFileNames(const std::vector<FontEntry>& selection) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    const auto add = [&](const std::vector<FontEntry>& lines) {
        for (const FontEntry& font : lines) {
            if (seen.insert(font.fileName).second) {
                names.push_back(font.fileName);
            }
        }
    };
    add(selection);
    add(FontList);
    return names;
}

std::string InPlaceUnsafe(const std::string& path) {
    return "フォントファイル「" + path +
           "」は、ほかのユーザが書き換えられるため、この場所のままではインストールできません。\n"
           "標準のフォントフォルダを選ぶと、コピーして安全にインストールできます。";
}

// A file of the package: its name in FontList.txt, its path made absolute, whether it is there,
// and which file that is, as far as the system says.
struct PackageFile {
    std::string name;
    std::string path;
    bool exists = false;
    bool identityRead = false;
    platform::FileIdentity identity;
};

// Whether a file whose identity was read as asked (when askedRead) may be the package's file:
// unless both identities are known and differ. Files on two volumes are never one file.
bool MayBeSameFile(const PackageFile& file, bool askedRead, const platform::FileIdentity& asked) {
    if (!file.identityRead || !askedRead) {
        return true;
    }
    if (file.identity.volumeSerial != asked.volumeSerial) {
        return false;
    }
    return !file.identity.Known() || !asked.Known() || file.identity == asked;
}

class InstallRun {
  public:
    InstallRun(platform::WindowHandle dialog, const std::vector<FontEntry>& selection,
               const Destination& destination)
        : dialog_(dialog),
          selection_(OneFontPerFaceName(selection)),
          packageFileNames_(PackageFileNames(selection)),
          held_(destination),
          destination_(destination.Folder()),
          system_(platform::Current()),
          units_(static_cast<int32_t>(selection_.size()) + 3) {}

    int Run() {
        SetProgressText(dialog_, "情報を取得中・・・");
        if (!RefuseOpenTypeOnOldSystems() || !Prepare() || !Survey()) {
            return 0;  // nothing has been changed yet
        }
        if (!RemoveSameNamedFonts() || !Check() || !CopyAll()) {
            Broadcast();
            return 0;
        }
        Broadcast();
        return 1;
    }

  private:
    bool Cancelled() {
        PumpOneMessage();
        return CancelRequested != 0;
    }

    void SetBar(int32_t position) { SetProgressPosition(dialog_, position); }

    void Broadcast() {
        system_.ui.SendMessageTimeout(reinterpret_cast<platform::WindowHandle>(win::kHwndBroadcast),
                                      win::kWmFontChange, 0, 0, win::kSmtoAbortIfHung,
                                      kBroadcastTimeoutMs);
    }

    // The shell is asked once a run; every comparison after that uses its answer.
    const std::string& FontsFolder() {
        if (!fontsFolderKnown_) {
            fontsFolder_ = GetFontsFolder();
            fontsFolderWithBackslash_ = fontsFolder_ + "\\";
            fontsFolderKnown_ = true;
        }
        return fontsFolder_;
    }

    // After a warning about a font that is still installed: the user can remove it by hand.
    void OpenFontsFolder() {
        system_.ui.ShellExecute(dialog_, "open", FontsFolder(), win::kSwShowNormal);
    }

    void Warn(const std::string& text) { ShowWarning(text, dialog_); }

    bool IsFontsFolder(const std::string& folder) {
        FontsFolder();
        return cp932::EqualsIgnoreCase(folder, fontsFolderWithBackslash_);
    }

    // The Fonts folder as the system resolves it, for deletes there; null when the system has the
    // call and it failed, so that nothing there is deleted unchecked. Asked once a run.
    const std::string* ResolvedFontsFolder() {
        if (held_.IsFontsFolder()) {
            return &held_.Resolved();
        }
        if (!fontsFolderResolved_) {
            fontsFolderHeld_ = Destination(FontsFolder() + "\\", true);
            fontsFolderUsable_ = fontsFolderHeld_.HoldLevels() == Destination::Hold::Held;
            fontsFolderResolved_ = true;
        }
        return fontsFolderUsable_ ? &fontsFolderHeld_.Resolved() : nullptr;
    }

    // --- preparation ------------------------------------------------------------------------

    bool RefuseOpenTypeOnOldSystems() {
        if (OsClass == OsWin2000 || OsClass == OsWinXP || OsClass == OsVistaOrLater) {
            return true;
        }
        for (const FontEntry& font : selection_) {
            if (cp932::EqualsIgnoreCase(SplitPath(font.fileName).extension, ".otf")) {
                Warn("OpenTypeフォントのインストールは、Adobe Type Managerから行ってください。");
                return false;
            }
        }
        return true;
    }

    // Relative file names are found in the program's own folder.
    void EnterProgramFolder() {
        char path[win::kMaxPath];
        const uint32_t length = system_.system.GetModuleFileName(AppInstance, path, sizeof path);
        if (length == 0 || length >= sizeof path) {
            return;  // no path, or one cut short: no folder to trust
        }
        const std::string module(path, length);
        const std::size_t slash = cp932::FindLastBackslash(module);
        if (slash != std::string::npos) {
            system_.files.SetCurrentDirectory(module.substr(0, slash + 1));
        }
    }

    // A path the system cannot make absolute is compared as it stands.
    PackageFile Identify(const std::string& fileName) {
        PackageFile file;
        file.name = fileName;
        if (!system_.files.GetFullPathName(fileName, file.path)) {
            file.path = fileName;
        }
        file.exists = PathExists(file.path, 0) != 0;
        file.identityRead = system_.files.GetFileIdentity(file.path, file.identity);
        return file;
    }

    // Whether an existing path may name a file of the package. One file has many spellings
    // (short names, mapped drives, case the text comparison does not fold, trailing dots), so
    // when no spelling matches, the system is asked which file it is; where it cannot say, the
    // file may be the package's, and is never deleted or written over. checked receives what was
    // asked, so that a later delete can hold the path to the file it named now.
    bool IsPackageFile(const std::string& path, platform::ExpectedFile* checked = nullptr) {
        for (const PackageFile& file : package_) {
            if (cp932::EqualsIgnoreCase(file.path, path)) {
                return true;
            }
        }
        platform::FileIdentity asked;
        const bool read = system_.files.GetFileIdentity(path, asked);
        if (checked != nullptr && read && asked.Known()) {
            checked->identified = true;
            checked->identity = asked;
        }
        for (const PackageFile& file : package_) {
            if (file.exists && MayBeSameFile(file, read, asked)) {
                return true;
            }
        }
        return false;
    }

    // A chosen font's own file, as the package's files were identified at the start.
    PackageFile SourceOf(const FontEntry& font) {
        for (const PackageFile& file : package_) {
            if (file.name == font.fileName) {
                return file;
            }
        }
        return Identify(font.fileName);
    }

    // Whether the target path names the chosen font's own file: the destination is the
    // package's folder, and the font is installed where it lies.
    bool IsSourceItself(const std::string& targetPath, const PackageFile& source) {
        if (cp932::EqualsIgnoreCase(targetPath, source.path)) {
            return true;
        }
        platform::FileIdentity target;
        return source.identityRead && source.identity.Known() && PathExists(targetPath, 0) != 0 &&
               system_.files.GetFileIdentity(targetPath, target) && target.Known() &&
               target == source.identity;
    }

    bool Prepare() {
        EnterProgramFolder();
        totalSize_ = 0;
        package_.clear();
        for (const std::string& fileName : packageFileNames_) {
            package_.push_back(Identify(fileName));
        }
        inPlace_.clear();
        for (const FontEntry& font : selection_) {
            if (Cancelled()) {
                return false;
            }
            if (PathExists(font.fileName, 0) == 0) {
                Warn("ファイル" + font.fileName + "が見つかりません。");
                return false;
            }
            // Names from FontList.txt decide where files are written: each must stay a plain
            // file name inside the destination, within the path limit.
            const std::string name = TargetFileName(font.fileName);
            if (!FitsPathLimit(font.fileName) || !IsUsableFileName(name) ||
                !FitsPathLimit(destination_ + name)) {
                Warn(UnusableName(font.fileName));
                return false;
            }
            inPlace_.push_back(IsSourceItself(destination_ + name, SourceOf(font)));
            // A font installed where it lies is registered for every user from there: no one else
            // may rewrite it, and it is held so until the run ends.
            if (inPlace_.back() && PlatformId != 1) {
                std::unique_ptr<platform::HeldPath> held =
                    OpenChecked(destination_ + name, false, kFileRights, true);
                if (!held) {
                    Warn(InPlaceUnsafe(destination_ + name));
                    return false;
                }
                inPlaceHeld_.push_back(std::move(held));
            }
            const uint32_t size = QueryFileSize(font.fileName);
            // A font installed where it lies needs no room.
            if (size != kUnknownFileSize && !inPlace_.back()) {
                totalSize_ += size;
            }
        }
        return true;
    }

    bool Survey() {
        if (ScanInstalledFonts(dialog_, installed_) == 0 ||
            ScanRegisteredFontFiles(dialog_, registeredFiles_) == 0) {
            return false;
        }
        SetBar(100 / units_);
        if (Cancelled()) {
            return false;
        }
        CollectFaceNames(dialog_);
        return !Cancelled();
    }

    // --- removal ----------------------------------------------------------------------------

    bool RemoveSameNamedFonts() {
        for (const FontEntry& chosen : selection_) {
            for (const FontEntry& record : installed_) {
                if (Cancelled()) {
                    return false;
                }
                if (record.fontName != chosen.fontName) {
                    continue;
                }
                if (!system_.gdi.RemoveFontResource(record.fileName)) {
                    Warn(RemovalFailed(chosen.fontName));
                    OpenFontsFolder();
                    return false;
                }
                std::string reason;
                if (DeleteFontRegistryEntry(chosen.fontName, reason) == 0) {
                    Warn(reason + "\nフォント「" + chosen.fontName + "」の削除に失敗しました。" +
                         kRemoveByHand +
                         "\nコントロールパネルのフォントからも削除できない時は、マシンを再起動"
                         "してください。");
                    OpenFontsFolder();
                    return false;
                }
                removedNames_.push_back(chosen.fontName);
                const PathParts parts = SplitPath(record.fileName);
                const std::string folder = parts.drive + parts.directory;
                // Only a file is deleted: an entry whose data names a folder ("", "." or "..")
                // is unloaded and unregistered, but nothing is deleted for it. Nor is a file of
                // the package: an earlier run may have installed it where it lies.
                const bool namesAFile = IsUsableFileName(parts.baseName + parts.extension);
                const bool inDestination = cp932::EqualsIgnoreCase(folder, destination_);
                platform::ExpectedFile checked;
                if (namesAFile && (inDestination || IsFontsFolder(folder)) &&
                    !IsPackageFile(record.fileName, &checked)) {
                    // Windows holds on to a font file until every program has let it go; the
                    // broadcast may wait on hung windows, and the file deleted after it must be
                    // the one checked before it, in the folder as resolved for the run.
                    const std::string* resolved =
                        inDestination ? &held_.Resolved() : ResolvedFontsFolder();
                    if (resolved != nullptr) {
                        checked.folder = *resolved;
                        Broadcast();
                        system_.files.DeleteExpectedFile(record.fileName, checked);
                    }
                }
            }
        }
        SetBar(200 / units_);
        return !Cancelled();
    }

    // --- checks -----------------------------------------------------------------------------

    bool WasRemoved(const std::string& fontName) const {
        for (const std::string& removed : removedNames_) {
            if (removed == fontName) {
                return true;
            }
        }
        return false;
    }

    bool Check() {
        for (const FontEntry& chosen : selection_) {
            for (const std::string& face : FaceNameList) {
                if (Cancelled()) {
                    return false;
                }
                if (face == chosen.fontName && !WasRemoved(chosen.fontName)) {
                    Warn("同じ名前のフォント「" + chosen.fontName +
                         "」がインストールされています。" + kRemoveByHand +
                         "\nコントロールパネルのフォントに「" + chosen.fontName +
                         "」が存在しない場合は、マシンを再起動後実行してください。");
                    OpenFontsFolder();
                    return false;
                }
            }
        }
        uint64_t freeBytes = 0;
        if (GetFreeDiskSpace(destination_, freeBytes) != 0 && freeBytes < totalSize_) {
            Warn("ディスク容量が足りません。\n必要な容量：" + std::to_string(totalSize_) +
                 " バイト");
            return false;
        }
        SetBar(300 / units_);
        return !Cancelled();
    }

    // --- copying ----------------------------------------------------------------------------

    bool IsRegisteredFile(const std::string& path) const {
        for (const std::string& registered : registeredFiles_) {
            if (cp932::EqualsIgnoreCase(registered, path)) {
                return true;
            }
        }
        return false;
    }

    // Settles a file of the target name that lies in a folder the user chose and belongs to no
    // installed font and not to the package; the others are numbered silently. False when the
    // run stops.
    bool SettleClash(const FontEntry& font, const std::string& targetName,
                     const std::string& targetPath) {
        // The file asked about is the one overwritten, however long the dialog stays open.
        platform::ExpectedFile checked;
        checked.folder = copyTarget_.resolvedFolder;
        if (held_.IsFontsFolder() || PathExists(targetPath, 0) == 0 ||
            IsRegisteredFile(targetPath) || IsPackageFile(targetPath, &checked)) {
            return true;
        }
        if (SameForFollowing == 0) {
            ConflictMessage = font.fontName + " のファイル「" + targetName + "」は既に存在します。";
            const intptr_t answer = system_.ui.DialogBoxParam(AppInstance, IDD_CONFLICT, dialog_,
                                                              ConflictDialogProc, 0);
            // A dialog that could not be created asks nothing: keep the file, number the name.
            rememberedAnswer_ = answer == -1 ? ConflictRename : static_cast<int32_t>(answer);
        }
        if (rememberedAnswer_ == ConflictOverwrite &&
            system_.files.DeleteExpectedFile(targetPath, checked) !=
                platform::DeleteResult::Deleted) {
            Warn("ファイル " + targetPath + " の削除に失敗しました。");
            return false;
        }
        return rememberedAnswer_ != ConflictCancel;
    }

    // Picks the target path, settling a clash, and copies the font there. False when the run
    // stops.
    bool CopyToDestination(const FontEntry& font, const std::string& targetName,
                           std::string& targetPath, platform::ExpectedFile& copied) {
        const PathParts parts = SplitPath(targetPath);
        if (!SettleClash(font, targetName, targetPath)) {
            return false;
        }
        for (int i = 1; PathExists(targetPath, 0) != 0; ++i) {
            targetPath = destination_ + parts.baseName + std::to_string(i) + parts.extension;
            if (!FitsPathLimit(targetPath)) {
                Warn(UnusableName(font.fileName));
                return false;
            }
        }
        const int32_t start = (installedCount_ + 3) * 100 / units_;
        const int32_t end = (installedCount_ + 4) * 100 / units_;
        std::string reason;
        if (CopyFileWithProgress(dialog_, font.fileName, targetPath, start, end, reason,
                                 copyTarget_, &copied) == 0) {
            if (CancelRequested == 0) {
                Warn(reason);
            }
            return false;
        }
        return true;
    }

    // The copy of a font that did not go in, by the identity it was created with: by its path
    // alone it could be another file now, so without one it stays.
    void DeleteCopied(bool inPlace, const std::string& targetPath,
                      const platform::ExpectedFile& copied) {
        if (!inPlace && copied.identified) {
            system_.files.DeleteExpectedFile(targetPath, copied);
        }
    }

    // A font in place is loaded and recorded where it lies.
    bool CopyOne(const FontEntry& font, bool inPlace) {
        SetProgressText(dialog_, font.fontName + " をインストールしています。");
        if (Cancelled()) {
            return false;
        }
        const std::string targetName = TargetFileName(font.fileName);
        std::string targetPath = destination_ + targetName;
        // The copy's own file: what a failure below deletes, and nothing that took its place.
        platform::ExpectedFile copied;
        if (!inPlace && !CopyToDestination(font, targetName, targetPath, copied)) {
            return false;
        }
        if (system_.gdi.AddFontResource(targetPath) == 0) {
            Warn("フォント「" + font.fontName + "」のインストールに失敗しました。");
            DeleteCopied(inPlace, targetPath, copied);
            return false;
        }
        if (WriteFontRegistryEntry(dialog_, font.fontName, targetPath) == 0) {
            system_.gdi.RemoveFontResource(targetPath);
            DeleteCopied(inPlace, targetPath, copied);
            return false;
        }
        // A file this run installed belongs to an installed font from now on: a later clash
        // with it (the same font listed twice) must number, never overwrite it.
        registeredFiles_.push_back(targetPath);
        ++installedCount_;
        SetBar((installedCount_ + 3) * 100 / units_);
        return true;
    }

    bool CopyAll() {
        installedCount_ = 0;
        rememberedAnswer_ = -1;
        // Files copied into the Fonts folder take what it gives them; elsewhere they get its
        // protection themselves, whether or not this run created the folder. Each must land in
        // the folder as it was resolved when it was checked.
        copyTarget_.protection = held_.IsFontsFolder() ? nullptr : FontsFolderProtection(false);
        copyTarget_.resolvedFolder = held_.Resolved();
        for (std::size_t i = 0; i < selection_.size(); ++i) {
            if (!CopyOne(selection_[i], inPlace_[i])) {
                return false;
            }
        }
        return true;
    }

    platform::WindowHandle dialog_;
    const std::vector<FontEntry> selection_;
    const std::vector<std::string> packageFileNames_;
    const Destination& held_;
    const std::string destination_;
    platform::Platform& system_;
    const int32_t units_;
    uint64_t totalSize_ = 0;
    std::vector<FontEntry> installed_;
    std::vector<std::string> registeredFiles_;
    std::vector<PackageFile> package_;
    std::vector<bool> inPlace_;  // one per font of selection_
    std::vector<std::unique_ptr<platform::HeldPath>> inPlaceHeld_;
    std::vector<std::string> removedNames_;
    int32_t installedCount_ = 0;
    int32_t rememberedAnswer_ = -1;
    CopyTarget copyTarget_;
    std::string fontsFolder_;
    std::string fontsFolderWithBackslash_;
    bool fontsFolderKnown_ = false;
    Destination fontsFolderHeld_;
    bool fontsFolderResolved_ = false;
    bool fontsFolderUsable_ = false;
};

}  // namespace

int InstallFonts(platform::WindowHandle progressDialog, const std::vector<FontEntry>& selection,
                 const Destination& destination) {
    InstallRun run(progressDialog, selection, destination);
    return run.Run();
}

#include "services/file_copy.h"

#include <memory>

#include "common/cp932.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/folders.h"
#include "services/progress_dialog.h"

namespace {

std::string OpenFailure(const std::string& path) {
    return "ファイル「" + path + "」のオープンに失敗しました。";
}

std::string WriteFailure(const std::string& path) {
    return "ファイル「" + path + "」の書き込みに失敗しました。";
}

// True when the new file lies directly in the folder the copies began with, and not in one that a
// link swapped in since.
bool LiesIn(platform::NewFile& file, const std::string& resolvedFolder) {
    if (resolvedFolder.empty()) {
        return true;  // no system call tells where a file lies: the folder's held levels vouch
    }
    std::string landed;
    if (file.GetFinalPathName(landed) != platform::FinalPathRead::Read) {
        return false;
    }
    const std::size_t slash = cp932::FindLastBackslash(landed);
    return slash != std::string::npos &&
           cp932::EqualsIgnoreCase(landed.substr(0, slash + 1), resolvedFolder);
}

}  // namespace

int32_t CopyProgressPosition(int32_t startPos, int32_t endPos, uint32_t fullChunks,
                             uint32_t chunks) {
    // Without a measured size there is nothing to measure progress against: the bar waits at the
    // start of the slice and the caller moves it to the end once the font is in. A file that grew
    // after it was measured stops the bar at the end of its slice.
    if (chunks == 0) {
        return startPos;
    }
    const uint32_t done = fullChunks < chunks ? fullChunks : chunks;
    const int64_t span = static_cast<int64_t>(endPos) - startPos;
    return static_cast<int32_t>(startPos + span * done / static_cast<int64_t>(chunks));
}

int CopyFileWithProgress(platform::WindowHandle dialog, const std::string& sourcePath,
                         const std::string& destinationPath, int32_t startPos, int32_t endPos,
                         std::string& errorText, const CopyTarget& target,
                         platform::ExpectedFile* copied) {
    platform::Platform& system = platform::Current();
    const uint32_t size = QueryFileSize(sourcePath);
    const uint32_t chunks = (size + 1023u) / 1024u;

    std::unique_ptr<platform::Stream> source = system.files.OpenStream(sourcePath, "rb");
    if (!source) {
        errorText = OpenFailure(sourcePath);
        return 0;
    }
    // Created, never opened: a link or a file that appeared at the path since it was checked
    // makes the copy fail, and nothing is written or deleted through it.
    std::unique_ptr<platform::NewFile> destination =
        system.files.CreateNewFile(destinationPath, target.protection);
    if (!destination || !LiesIn(*destination, target.resolvedFolder)) {
        errorText = OpenFailure(destinationPath);
        if (destination) {
            destination->DeleteOnClose();
            destination->Close();
        }
        source->Close();
        return 0;
    }

    // Which file was created, for a delete once its handle is closed.
    platform::ExpectedFile created;
    created.identified = destination->GetIdentity(created.identity) && created.identity.Known();
    created.folder = target.resolvedFolder;

    int result = 1;
    uint32_t fullChunks = 0;
    unsigned char buffer[kCopyChunkSize];
    PumpOneMessage();
    if (CancelRequested == 1) {
        result = 0;
    }
    while (result == 1) {
        const std::size_t n = source->Read(buffer, sizeof buffer);
        if (source->Error()) {
            errorText = "ファイル「" + sourcePath + "」の読み込みに失敗しました。";
            result = 0;
            break;
        }
        PumpOneMessage();
        if (CancelRequested == 1) {
            result = 0;
            break;
        }
        const std::size_t written = n == 0 ? 0 : destination->Write(buffer, n);
        if (destination->Error() || written < n) {
            errorText = WriteFailure(destinationPath);
            result = 0;
            break;
        }
        if (n < kCopyChunkSize) {
            break;  // a short read without an error is the end of the file
        }
        ++fullChunks;
        SetProgressPosition(dialog, CopyProgressPosition(startPos, endPos, fullChunks, chunks));
        PumpOneMessage();
        if (CancelRequested == 1) {
            result = 0;
        }
    }

    source->Close();
    // The stream's last bytes are written while the handle is still open, so that an incomplete
    // file can go through the handle that created it: by its path it could be another file now.
    if (result == 1 && !destination->Flush()) {
        errorText = WriteFailure(destinationPath);
        result = 0;
    }
    const bool goesOnClose = result == 0 && destination->DeleteOnClose();
    if (destination->Close() != 0 && result == 1) {
        errorText = WriteFailure(destinationPath);
        result = 0;
    }
    if (result == 0 && !goesOnClose) {
        system.files.DeleteExpectedFile(destinationPath, created);
    }
    if (result == 1 && copied != nullptr) {
        *copied = created;
    }
    return result;
}

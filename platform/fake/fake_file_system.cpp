#include <utility>

#include "common/cp932.h"
#include "platform/fake/fake_platform.h"
#include "platform/win_constants.h"

namespace fake {

namespace {

// fgets over a file opened in text mode by the C runtime: CR LF reads as LF, and the byte 0x1A
// (Ctrl-Z) ends the file.
class FakeTextFile final : public platform::TextFile {
  public:
    FakeTextFile(const std::string& contents, int readableLines) : lines_left_(readableLines) {
        std::size_t end = contents.find('\x1A');
        const std::string raw = contents.substr(0, end);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
                continue;
            }
            text_ += raw[i];
        }
    }

    bool ReadLine(char* buffer, int size) override {
        if (size <= 1 || pos_ >= text_.size() || lines_left_ == 0) {
            return false;
        }
        if (lines_left_ > 0) {
            --lines_left_;
        }
        int n = 0;
        while (n < size - 1 && pos_ < text_.size()) {
            const char c = text_[pos_++];
            buffer[n++] = c;
            if (c == '\n') {
                break;
            }
        }
        buffer[n] = '\0';
        return true;
    }

  private:
    std::string text_;
    std::size_t pos_ = 0;
    int lines_left_;
};

// Splits a resolved path into its components, multibyte-aware.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t next = cp932::FindChar(path, '\\', start);
        if (next == std::string::npos) {
            next = path.size();
        }
        parts.push_back(path.substr(start, next - start));
        start = next + 1;
    }
    return parts;
}

}  // namespace

std::string FakePlatform::Resolve(const std::string& path) const {
    return Follow(Normalize(path));
}

std::string FakePlatform::Normalize(const std::string& path) const {
    std::string p = path;
    for (std::size_t i = 0; i < p.size(); i = cp932::NextCharIndex(p, i)) {
        if (p[i] == '/') {
            p[i] = '\\';
        }
    }
    std::string prefix;
    std::string rest;
    if (p.compare(0, 2, "\\\\") == 0) {
        const std::size_t server = cp932::FindChar(p, '\\', 2);
        const std::size_t share =
            server == std::string::npos ? std::string::npos : cp932::FindChar(p, '\\', server + 1);
        prefix = p.substr(0, share);
        rest = share == std::string::npos ? "" : p.substr(share + 1);
    } else if (p.size() >= 2 && p[1] == ':') {
        prefix = p.substr(0, 2);
        rest = p.substr(p.size() >= 3 && p[2] == '\\' ? 3 : 2);
    } else if (!p.empty() && p[0] == '\\') {
        prefix = currentDirectory.substr(0, 2);
        rest = p.substr(1);
    } else if (currentDirectory.compare(0, 2, "\\\\") == 0) {
        return Normalize(currentDirectory + "\\" + p);  // a folder on a share
    } else {
        prefix = currentDirectory.substr(0, 2);
        rest = currentDirectory.substr(3) + "\\" + p;
    }
    std::vector<std::string> kept;
    for (const std::string& part : Components(rest)) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
            continue;
        }
        kept.push_back(part);
    }
    // The last name loses its trailing dots and spaces, as the system trims them: "a.ttf." is
    // a.ttf. A folder name along the way keeps them.
    const bool endsInSeparator = !p.empty() && cp932::EndsWithBackslash(p);
    if (!kept.empty() && !endsInSeparator) {
        std::string& last = kept.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) {
            last.pop_back();
        }
        if (last.empty()) {
            kept.pop_back();
        }
    }
    std::string full = prefix;
    for (const std::string& part : kept) {
        full += "\\" + part;
    }
    return full;
}

std::string FakePlatform::Follow(const std::string& full) const {
    std::string followed = full;
    // A junction may lead through another; a loop of them ends where Windows would give up.
    for (int depth = 0; depth < 32; ++depth) {
        const std::string key = FoldCase(followed);
        bool found = false;
        for (const auto& [folder, junction] : junctions_) {
            if (key.compare(0, folder.size(), folder) == 0 &&
                (key.size() == folder.size() || key[folder.size()] == '\\')) {
                followed = junction.target + followed.substr(folder.size());
                found = true;
                break;
            }
        }
        if (!found) {
            break;
        }
    }
    return followed;
}

std::string FakePlatform::AsItself(const std::string& path) const {
    const std::string full = Normalize(path);
    const std::size_t slash = cp932::FindLastBackslash(full);
    if (slash == std::string::npos || slash + 1 == full.size()) {
        return Follow(full);
    }
    return Follow(full.substr(0, slash)) + full.substr(slash);
}

const FakePlatform::Junction* FakePlatform::JunctionAt(const std::string& path) const {
    auto found = junctions_.find(FoldCase(AsItself(path)));
    return found == junctions_.end() || found->second.listedOnly ? nullptr : &found->second;
}

std::string FakePlatform::FoldCase(const std::string& text) {
    std::string key = text;
    for (std::size_t i = 0; i < key.size(); i = cp932::NextCharIndex(key, i)) {
        const auto lead = static_cast<unsigned char>(key[i]);
        if (key[i] >= 'a' && key[i] <= 'z') {
            key[i] = static_cast<char>(key[i] - 'a' + 'A');
        } else if (lead == 0x82 && i + 1 < key.size()) {
            // Full-width Latin: NTFS folds ａ (82 81) to Ａ (82 60) as it folds a to A.
            const auto trail = static_cast<unsigned char>(key[i + 1]);
            if (trail >= 0x81 && trail <= 0x9A) {
                key[i + 1] = static_cast<char>(trail - 0x81 + 0x60);
            }
        }
    }
    return key;
}

void FakePlatform::AddAlias(const std::string& alias, const std::string& real) {
    aliases_[FoldCase(Resolve(alias))] = FoldCase(Resolve(real));
}

std::string FakePlatform::Key(const std::string& path) const {
    const std::string key = FoldCase(Resolve(path));
    for (const auto& [alias, real] : aliases_) {
        if (key.compare(0, alias.size(), alias) == 0 &&
            (key.size() == alias.size() || key[alias.size()] == '\\')) {
            return real + key.substr(alias.size());
        }
    }
    return key;
}

const FakePlatform::Node* FakePlatform::Find(const std::string& path) const {
    auto found = nodes_.find(Key(path));
    return found == nodes_.end() ? nullptr : &found->second;
}

void FakePlatform::AddFolder(const std::string& path) {
    const std::string full = Resolve(path);
    // Every parent below the drive or share exists too.
    const std::size_t rootEnd =
        full.compare(0, 2, "\\\\") == 0
            ? cp932::FindChar(full, '\\', cp932::FindChar(full, '\\', 2) + 1)
            : 2;
    for (std::size_t i = cp932::FindChar(full, '\\', rootEnd + 1); i != std::string::npos;
         i = cp932::FindChar(full, '\\', i + 1)) {
        nodes_[FoldCase(full.substr(0, i))].folder = true;
    }
    nodes_[FoldCase(full)].folder = true;
}

void FakePlatform::AddFile(const std::string& path, const std::string& contents) {
    const std::string full = Resolve(path);
    const std::size_t slash = cp932::FindLastBackslash(full);
    if (slash != std::string::npos && slash > 2) {
        AddFolder(full.substr(0, slash));
    }
    Node& node = nodes_[Key(path)];
    node = Node{};
    node.contents = contents;
}

void FakePlatform::AddFileOfSize(const std::string& path, uint64_t size) {
    AddFile(path, "");
    nodes_[Key(path)].size = size;
}

void FakePlatform::ReportSize(const std::string& path, uint64_t size) {
    nodes_[Key(path)].size = size;
}

void FakePlatform::FailReadingAfter(const std::string& path, int lines) {
    nodes_[Key(path)].readableLines = lines;
}

bool FakePlatform::FolderExists(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr && node->folder;
}

bool FakePlatform::FileExists(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr && !node->folder;
}

bool FakePlatform::FindFirstFile(const std::string& path, uint32_t& attributes) {
    Log("FindFirstFileA", path);
    // The system's file search never finds a name that ends in a separator.
    if (path.empty() || cp932::EndsWithBackslash(path) || path.back() == '/' ||
        Fails("FindFirstFileA", path)) {
        return false;
    }
    // A junction is listed as itself, and so is a Unix link under Wine.
    if (junctions_.count(FoldCase(AsItself(path))) != 0) {
        attributes = win::kFileAttributeDirectory | win::kFileAttributeReparsePoint;
        return true;
    }
    const Node* node = Find(path);
    if (node == nullptr) {
        return false;
    }
    attributes = node->folder ? win::kFileAttributeDirectory : 0x20;
    if (node->reparseTag != 0) {
        attributes |= win::kFileAttributeReparsePoint;
    }
    return true;
}

bool FakePlatform::GetFileSize(const std::string& path, uint32_t& size) {
    Log("CreateFileA", path);
    const Node* node = Find(path);
    if (node == nullptr || node->folder || Fails("CreateFileA", path)) {
        return false;
    }
    const uint64_t full = node->size ? *node->size : node->contents.size();
    size = static_cast<uint32_t>(full);
    return true;
}

bool FakePlatform::ParentExists(const std::string& full) const {
    const std::size_t slash = cp932::FindLastBackslash(full);
    if (slash == std::string::npos) {
        return false;
    }
    const std::string parent = full.substr(0, slash);
    return (parent.size() == 2 && parent[1] == ':') || FolderExists(parent);
}

bool FakePlatform::MakeFolder(const std::string& path,
                              const platform::SecurityDescriptor* descriptor) {
    Log("CreateDirectoryA", path);
    const std::string full = Resolve(path);
    if (Fails("CreateDirectoryA", path) || Find(path) != nullptr || !ParentExists(full)) {
        return false;
    }
    Node& created = nodes_[Key(path)];
    created.folder = true;
    if (descriptor != nullptr) {
        created.security = *descriptor;
    }
    return true;
}

bool FakePlatform::CreateDirectory(const std::string& path) {
    return MakeFolder(path, nullptr);
}

bool FakePlatform::CreateProtectedDirectory(const std::string& path,
                                            const platform::SecurityDescriptor& descriptor) {
    return MakeFolder(path, &descriptor);
}

std::string FakePlatform::GetWindowsDirectory() {
    Log("GetWindowsDirectoryA", "");
    return windowsDirectory;
}

std::unique_ptr<platform::TextFile> FakePlatform::OpenTextFile(const std::string& path) {
    Log("fopen", path);
    const Node* node = Find(path);
    if (node == nullptr || node->folder || Fails("fopen", path)) {
        return nullptr;
    }
    return std::make_unique<FakeTextFile>(node->contents, node->readableLines);
}

// A C stream over a file of the fake: reads see the file as it was when opened; writes go
// straight into it, so a file opened for writing exists, empty, from fopen on.
class FakePlatform::FakeStream final : public platform::NewFile {
  public:
    FakeStream(FakePlatform& owner, std::string path, std::string full, bool writing)
        : owner_(owner),
          path_(std::move(path)),
          full_(std::move(full)),
          key_(owner_.Key(path_)),
          writing_(writing) {
        if (!writing_) {
            const Node& node = owner_.nodes_[key_];
            contents_ = node.contents;
            readable_ = node.readableBytes;
        }
    }
    ~FakeStream() override {
        if (!closed_) {
            CloseStream();
        }
    }

    std::size_t Read(void* buffer, std::size_t size) override {
        if (closed_ || writing_) {
            error_ = true;
            return 0;
        }
        std::size_t available = contents_.size() - position_;
        bool failing = false;
        if (readable_ && *readable_ < position_ + available) {
            available = *readable_ > position_ ? *readable_ - position_ : 0;
            failing = available < size;
        }
        const std::size_t n = available < size ? available : size;
        contents_.copy(static_cast<char*>(buffer), n, position_);
        position_ += n;
        error_ = error_ || failing;
        return n;
    }

    std::size_t Write(const void* buffer, std::size_t size) override {
        auto node = owner_.nodes_.find(key_);
        if (closed_ || !writing_ || node == owner_.nodes_.end()) {
            error_ = true;
            return 0;
        }
        std::size_t n = size;
        const uint64_t written = node->second.contents.size();
        if (node->second.writableBytes && written + n > *node->second.writableBytes) {
            n = static_cast<std::size_t>(*node->second.writableBytes - written);
            error_ = true;
        }
        node->second.contents.append(static_cast<const char*>(buffer), n);
        return n;
    }

    bool Error() override { return error_; }

    int Close() override { return CloseStream(); }

    platform::FinalPathRead GetFinalPathName(std::string& finalPath) override {
        return owner_.AnswerFinalPath(path_, "\\\\?\\" + full_, finalPath);
    }

    bool DeleteOnClose() override {
        owner_.Log("SetFileInformationByHandle FileDispositionInfo", path_);
        deleteOnClose_ =
            owner_.hasDeleteByHandle && !owner_.Fails("SetFileInformationByHandle", path_);
        return deleteOnClose_;
    }

    bool Flush() override {
        owner_.Log("fflush", path_);
        return !owner_.Fails("fflush", path_);
    }

    bool GetIdentity(platform::FileIdentity& identity) override {
        owner_.Log("GetFileInformationByHandle", path_);
        identity = owner_.IdentityOf(key_);
        return true;
    }

  private:
    int CloseStream() {
        owner_.Log("fclose", path_);
        closed_ = true;
        if (deleteOnClose_) {
            owner_.fileIndexes_.erase(key_);
            owner_.nodes_.erase(key_);
        }
        return owner_.Fails("fclose", path_) ? -1 : 0;
    }

    FakePlatform& owner_;
    std::string path_;
    std::string full_;
    std::string key_;
    bool writing_;
    std::string contents_;
    std::optional<uint64_t> readable_;
    std::size_t position_ = 0;
    bool error_ = false;
    bool closed_ = false;
    bool deleteOnClose_ = false;
};

void FakePlatform::FailStreamReadAfter(const std::string& path, uint64_t bytes) {
    nodes_[Key(path)].readableBytes = bytes;
}

void FakePlatform::LimitWrites(const std::string& path, uint64_t bytes) {
    writeLimits_[Key(path)] = bytes;
}

std::string FakePlatform::Contents(const std::string& path) const {
    const Node* node = Find(path);
    return node == nullptr ? std::string() : node->contents;
}

std::unique_ptr<platform::Stream> FakePlatform::OpenStream(const std::string& path,
                                                           const char* mode) {
    const std::string how = mode;
    Log("fopen " + how, path);
    if (Fails("fopen", path)) {
        return nullptr;
    }
    const std::string full = Resolve(path);
    const Node* node = Find(path);
    if (how == "rb") {
        if (node == nullptr || node->folder) {
            return nullptr;
        }
        return std::make_unique<FakeStream>(*this, path, full, false);
    }
    if (how != "wb" || (node != nullptr && node->folder) || !ParentExists(full)) {
        return nullptr;
    }
    return StartFile(path, full, nullptr);
}

std::unique_ptr<FakePlatform::FakeStream> FakePlatform::StartFile(
    const std::string& path, const std::string& full,
    const platform::SecurityDescriptor* descriptor) {
    const std::string key = Key(path);
    Node& created = nodes_[key];
    created = Node{};
    if (descriptor != nullptr) {
        created.security = *descriptor;
    }
    auto limit = writeLimits_.find(key);
    if (limit != writeLimits_.end()) {
        created.writableBytes = limit->second;
    }
    return std::make_unique<FakeStream>(*this, path, full, true);
}

std::unique_ptr<platform::NewFile> FakePlatform::CreateNewFile(
    const std::string& path, const platform::SecurityDescriptor* descriptor) {
    Log("CreateFileA CREATE_NEW", path);
    const std::string full = Resolve(path);
    if (Fails("CreateFileA", path) || Find(path) != nullptr || !ParentExists(full)) {
        return nullptr;
    }
    return StartFile(path, full, descriptor);
}

platform::FinalPathRead FakePlatform::AnswerFinalPath(const std::string& path,
                                                      const std::string& answer,
                                                      std::string& finalPath) {
    Log("GetFinalPathNameByHandleA", path);
    if (!hasFinalPathName) {
        return platform::FinalPathRead::NoCall;
    }
    if (Fails("GetFinalPathNameByHandleA", path)) {
        return platform::FinalPathRead::Failed;
    }
    finalPath = answer;
    return platform::FinalPathRead::Read;
}

platform::FinalPathRead FakePlatform::GetFinalPathName(const std::string& folder,
                                                       std::string& finalPath) {
    const std::string full = Resolve(folder);
    const bool root = full.size() == 2 && full[1] == ':';
    if (hasFinalPathName && !root && !FolderExists(full)) {
        Log("GetFinalPathNameByHandleA", folder);
        return platform::FinalPathRead::Failed;  // nothing to open
    }
    return AnswerFinalPath(folder, "\\\\?\\" + full + (root ? "\\" : ""), finalPath);
}

const platform::SecurityDescriptor* FakePlatform::SecurityOf(const std::string& path) const {
    const Node* node = Find(path);
    return node == nullptr || !node->security ? nullptr : &*node->security;
}

bool FakePlatform::AddJunction(const std::string& folder, const std::string& target) {
    const std::string key = FoldCase(AsItself(folder));
    if (honoursShareModes) {
        for (const auto& [held, count] : holds_) {
            if (count > 0 && held.compare(0, key.size(), key) == 0 &&
                (held.size() == key.size() || held[key.size()] == '\\')) {
                return false;  // a sharing violation: the folder cannot be renamed away
            }
        }
    }
    junctions_[key] = Junction{Resolve(target), false};
    return true;
}

void FakePlatform::AddUnixLink(const std::string& folder, const std::string& target) {
    junctions_[FoldCase(AsItself(folder))] = Junction{Resolve(target), true};
}

bool FakePlatform::IsHeld(const std::string& path) const {
    auto held = holds_.find(FoldCase(AsItself(path)));
    return held != holds_.end() && held->second > 0;
}

void FakePlatform::GiveZeroId(const std::string& path) {
    zeroIds_.insert(Key(path));
}

void FakePlatform::SetReparseTag(const std::string& path, uint32_t tag) {
    nodes_[Key(path)].reparseTag = tag;
}

bool FakePlatform::SetCurrentDirectory(const std::string& path) {
    Log("SetCurrentDirectoryA", path);
    const std::string full = Resolve(path);
    const bool root = full.size() == 2 && full[1] == ':';
    if (Fails("SetCurrentDirectoryA", path) || (!root && !FolderExists(path))) {
        return false;
    }
    currentDirectory = root ? full + "\\" : full;
    return true;
}

bool FakePlatform::GetFullPathName(const std::string& path, std::string& fullPath) {
    Log("GetFullPathNameA", path);
    if (path.empty() || Fails("GetFullPathNameA", path)) {
        return false;
    }
    std::string full = Normalize(path);  // a string operation: no link is followed
    if (full.size() == 2 && full[1] == ':') {
        full += "\\";
    }
    // The system keeps a trailing separator the caller wrote.
    if ((path.back() == '\\' && cp932::EndsWithBackslash(path)) || path.back() == '/') {
        if (!cp932::EndsWithBackslash(full)) {
            full += "\\";
        }
    }
    if (full.size() >= win::kMaxPath) {
        return false;
    }
    fullPath = full;
    return true;
}

platform::DeleteResult FakePlatform::DeleteExpectedFile(const std::string& path,
                                                        const platform::ExpectedFile& expected) {
    using platform::DeleteResult;
    const std::string key = Key(path);
    const Node* node = Find(path);
    if (!hasDeleteByHandle) {
        Log("DeleteFileA", path);
        if (node == nullptr || node->folder || Fails("DeleteFileA", path)) {
            return DeleteResult::Failed;
        }
    } else {
        Log("CreateFileA DELETE", path);
        if (node == nullptr || Fails("CreateFileA", path) ||
            Fails("GetFileInformationByHandleEx", path)) {
            return DeleteResult::Failed;
        }
        const std::string landed = "\\\\?\\" + Resolve(path);
        const std::size_t slash = cp932::FindLastBackslash(landed);
        const bool isLink = platform::IsLink(
            node->reparseTag != 0 ? win::kFileAttributeReparsePoint : 0, node->reparseTag);
        if (node->folder || isLink ||
            (expected.identified && !(IdentityOf(key) == expected.identity)) ||
            (!expected.folder.empty() &&
             (!hasFinalPathName || Fails("GetFinalPathNameByHandleA", path) ||
              !cp932::EqualsIgnoreCase(landed.substr(0, slash + 1), expected.folder)))) {
            return DeleteResult::NotThatFile;
        }
        Log("SetFileInformationByHandle FileDispositionInfo", path);
        if (Fails("SetFileInformationByHandle", path)) {
            return DeleteResult::Failed;
        }
    }
    fileIndexes_.erase(key);
    nodes_.erase(key);
    return DeleteResult::Deleted;
}

void FakePlatform::SetSecurity(const std::string& path, const platform::FileSecurity& security) {
    securities_[Key(path)] = security;
}

platform::FileSecurity FakePlatform::SecurityAt(const std::string& key, const Node* node) const {
    using platform::Trustee;
    auto set = securities_.find(key);
    if (set != securities_.end()) {
        return set->second;
    }
    if (node != nullptr && node->security) {
        return platform::FileSecurity{Trustee::Administrators, true, node->security->allowed};
    }
    return platform::FileSecurity{Trustee::Administrators,
                                  true,
                                  {{Trustee::LocalSystem, win::kFileAllAccess, 3},
                                   {Trustee::Administrators, win::kFileAllAccess, 3},
                                   {Trustee::Users, win::kFileGenericReadExecute, 3}}};
}

// A handle opened as itself: a junction, or the file or folder a path leads to (through any
// junction above it, and through a Unix link at its end). What it holds cannot be renamed away
// while it lives; its answers are those of what it held when opened.
class FakePlatform::FakeHeldPath final : public platform::HeldPath {
  public:
    FakeHeldPath(FakePlatform& owner, std::string path, std::string key, std::string holdKey,
                 std::string finalPath, bool junction)
        : owner_(owner),
          path_(std::move(path)),
          key_(std::move(key)),
          holdKey_(std::move(holdKey)),
          finalPath_(std::move(finalPath)),
          junction_(junction) {
        ++owner_.holds_[holdKey_];
    }
    ~FakeHeldPath() override { --owner_.holds_[holdKey_]; }
    FakeHeldPath(const FakeHeldPath&) = delete;
    FakeHeldPath& operator=(const FakeHeldPath&) = delete;

    bool GetAttributeTag(uint32_t& attributes, uint32_t& reparseTag) override {
        owner_.Log("GetFileInformationByHandleEx FileAttributeTagInfo", path_);
        if (owner_.Fails("GetFileInformationByHandleEx", path_)) {
            return false;
        }
        if (junction_) {
            attributes = win::kFileAttributeDirectory | win::kFileAttributeReparsePoint;
            reparseTag = win::kReparseTagMountPoint;
            return true;
        }
        auto node = owner_.nodes_.find(key_);
        const bool root = node == owner_.nodes_.end();
        attributes = root || node->second.folder ? win::kFileAttributeDirectory : 0x20;
        reparseTag = root ? 0 : node->second.reparseTag;
        if (reparseTag != 0) {
            attributes |= win::kFileAttributeReparsePoint;
        }
        return true;
    }

    platform::FinalPathRead GetFinalPathName(std::string& finalPath) override {
        return owner_.AnswerFinalPath(path_, finalPath_, finalPath);
    }

    bool GetIdentity(platform::FileIdentity& identity) override {
        owner_.Log("GetFileInformationByHandle", path_);
        if (owner_.Fails("GetFileInformationByHandle", path_)) {
            return false;
        }
        identity = owner_.IdentityOf(key_);
        return true;
    }

    platform::SecurityRead GetSecurity(platform::FileSecurity& security) override {
        owner_.Log("GetSecurityInfo", path_);
        if (!owner_.hasAcls) {
            return platform::SecurityRead::NoAcls;
        }
        if (owner_.Fails("GetSecurityInfo", path_)) {
            return platform::SecurityRead::Failed;
        }
        auto node = owner_.nodes_.find(key_);
        security = junction_ ? owner_.SecurityAt(std::string(), nullptr)
                             : owner_.SecurityAt(
                                   key_, node == owner_.nodes_.end() ? nullptr : &node->second);
        return platform::SecurityRead::Read;
    }

  private:
    FakePlatform& owner_;
    std::string path_;
    std::string key_;
    std::string holdKey_;
    std::string finalPath_;
    bool junction_;
};

std::unique_ptr<platform::HeldPath> FakePlatform::OpenHeld(const std::string& path) {
    Log("CreateFileA READ_CONTROL", path);
    if (Fails("CreateFileA", path)) {
        return nullptr;
    }
    const std::string itself = AsItself(path);
    if (JunctionAt(path) != nullptr) {
        const std::string key = FoldCase(itself);
        return std::make_unique<FakeHeldPath>(*this, path, "<junction>" + key, key,
                                              "\\\\?\\" + itself, true);
    }
    const std::string full = Resolve(path);
    const std::string key = Key(path);
    // A drive's or a share's root is always there.
    const std::size_t rootEnd =
        full.compare(0, 2, "\\\\") == 0
            ? cp932::FindChar(full, '\\', cp932::FindChar(full, '\\', 2) + 1)
            : (full.size() == 2 && full[1] == ':' ? std::string::npos : 0);
    const bool root = rootEnd == std::string::npos;
    if (!root && nodes_.count(key) == 0) {
        return nullptr;
    }
    return std::make_unique<FakeHeldPath>(*this, path, key, FoldCase(full),
                                          "\\\\?\\" + full + (root ? "\\" : ""), false);
}

bool FakePlatform::GetFileIdentity(const std::string& path, platform::FileIdentity& identity) {
    Log("GetFileInformationByHandle", path);
    const Node* node = Find(path);
    if (node == nullptr || node->folder || Fails("GetFileInformationByHandle", path)) {
        return false;
    }
    identity = IdentityOf(Key(path));
    return true;
}

platform::FileIdentity FakePlatform::IdentityOf(const std::string& key) {
    // Indexes are handed out as files are first asked about; one volume holds them all.
    auto index = fileIndexes_.try_emplace(key, nextFileIndex_).first;
    if (index->second == nextFileIndex_) {
        ++nextFileIndex_;
    }
    platform::FileIdentity identity;
    // The volume: the drive, or the share, the key begins with.
    const std::size_t rootEnd = key.compare(0, 2, "\\\\") == 0
                                    ? cp932::FindChar(key, '\\', cp932::FindChar(key, '\\', 2) + 1)
                                    : 2;
    identity.volumeSerial = 0x1234ABCD;
    for (const char c : key.substr(0, rootEnd)) {
        identity.volumeSerial = identity.volumeSerial * 31 + static_cast<unsigned char>(c);
    }
    identity.idLow = zeroFileIds || zeroIds_.count(key) != 0 ? 0 : index->second;
    return identity;
}

}  // namespace fake

#include "platform/fake/fake_platform.h"

#include <cstring>

#include "platform/win_constants.h"

namespace fake {

namespace {

constexpr unsigned kDriveFixed = 3;
constexpr unsigned kErrorBadNetName = 67;
constexpr unsigned kErrorNotConnected = 2250;

}  // namespace

FakePlatform::FakePlatform() : platform_{*this, *this, *this, *this, *this, *this, *this, *this} {
    specialFolders[win::kCsidlFonts] = "C:\\WINDOWS\\Fonts";
    AddFolder("C:\\WINDOWS\\Fonts");
    AddFolder("C:\\Package");
    geometries["C:\\"] = platform::DiskGeometry{8, 512, 1000, 5000};
    AddKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
    AddKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts");
}

void FakePlatform::Fail(const std::string& call, const std::string& argument) {
    failures_.insert(argument.empty() ? call : call + "|" + FoldCase(argument));
}

bool FakePlatform::Fails(const std::string& call, const std::string& argument) const {
    return failures_.count(call) != 0 || failures_.count(call + "|" + FoldCase(argument)) != 0;
}

void FakePlatform::Log(const std::string& call, const std::string& argument) {
    calls.push_back(argument.empty() ? call : call + " " + argument);
    if (onCall) {
        onCall(calls.back());
    }
}

// --- system -----------------------------------------------------------------------------------

bool FakePlatform::GetVersionEx(platform::OsVersion& out) {
    Log("GetVersionExA", "");
    if (!version || Fails("GetVersionExA")) {
        return false;
    }
    out = *version;
    return true;
}

uint32_t FakePlatform::GetModuleFileName(platform::InstanceHandle, char* buffer, uint32_t size) {
    Log("GetModuleFileNameA", "");
    if (Fails("GetModuleFileNameA") || size == 0) {
        return 0;
    }
    // As Windows XP and Wine do: a path that does not fit fills the whole buffer, without a
    // terminator, and the buffer size is returned. (Later Windows terminate it; the caller must
    // rely on neither.)
    if (modulePath.size() >= size) {
        std::memcpy(buffer, modulePath.data(), size);
        return size;
    }
    std::memcpy(buffer, modulePath.c_str(), modulePath.size() + 1);
    return static_cast<uint32_t>(modulePath.size());
}

// --- shell ------------------------------------------------------------------------------------

bool FakePlatform::GetMalloc(platform::ShellAllocator& allocator) {
    Log("SHGetMalloc", "");
    if (Fails("SHGetMalloc")) {
        return false;
    }
    allocator = reinterpret_cast<platform::ShellAllocator>(nextHandle_++);
    ++liveAllocators;
    return true;
}

bool FakePlatform::GetSpecialFolderLocation(int csidl, platform::ItemList& list) {
    Log("SHGetSpecialFolderLocation", std::to_string(csidl));
    if (Fails("SHGetSpecialFolderLocation") || specialFolders.count(csidl) == 0) {
        return false;
    }
    list = reinterpret_cast<platform::ItemList>(nextHandle_++);
    itemLists_[list] = csidl;
    ++liveItemLists;
    return true;
}

int FakePlatform::GetPathFromIDList(platform::ItemList list, std::string& path) {
    Log("SHGetPathFromIDListA", "");
    auto browsed = browsedItems_.find(list);
    if (browsed != browsedItems_.end()) {
        // As the shell does: an item outside the file system has no path to give.
        if (browsed->second.empty()) {
            return 0;
        }
        path = browsed->second;
        return 1;
    }
    auto found = itemLists_.find(list);
    if (found == itemLists_.end()) {
        return 0;
    }
    if (pathFromIdListResult != 0) {
        path = specialFolders[found->second];
    }
    return pathFromIdListResult;
}

void FakePlatform::Free(platform::ShellAllocator, platform::ItemList list) {
    Log("IMalloc::Free", "");
    if (itemLists_.erase(list) != 0 || browsedItems_.erase(list) != 0) {
        --liveItemLists;
    }
}

void FakePlatform::Release(platform::ShellAllocator) {
    Log("IMalloc::Release", "");
    --liveAllocators;
}

platform::ItemList FakePlatform::BrowseForFolder(const platform::BrowseInfo& info) {
    const std::string title = info.title != nullptr ? info.title : "";
    Log("SHBrowseForFolderA", title);
    const auto browser = reinterpret_cast<platform::WindowHandle>(nextHandle_++);
    browses.push_back(BrowseCall{info, title, browser, ""});
    // The shell calls back once the browser is up, and again on each change of selection.
    if (info.callback != nullptr) {
        info.callback(browser, win::kBffmInitialized, 0, info.data);
        info.callback(browser, win::kBffmSelChanged, 0, info.data);
    }
    if (!browseChoice || Fails("SHBrowseForFolderA")) {
        return nullptr;
    }
    const auto list = reinterpret_cast<platform::ItemList>(nextHandle_++);
    browsedItems_[list] = *browseChoice;
    ++liveItemLists;
    return list;
}

// --- disks ------------------------------------------------------------------------------------

bool FakePlatform::HasGetDiskFreeSpaceEx() {
    Log("GetProcAddress", "GetDiskFreeSpaceExA");
    return hasFreeSpaceEx;
}

int FakePlatform::GetDiskFreeSpaceEx(const std::string& directory, uint64_t& freeBytesToCaller) {
    Log("GetDiskFreeSpaceExA", directory);
    auto found = freeBytesEx.find(directory);
    if (Fails("GetDiskFreeSpaceExA", directory) || found == freeBytesEx.end()) {
        return 0;
    }
    freeBytesToCaller = found->second;
    return 1;
}

int FakePlatform::GetDiskFreeSpace(const std::string& root, platform::DiskGeometry& geometry) {
    Log("GetDiskFreeSpaceA", root);
    auto found = geometries.find(FoldCase(root));
    if (Fails("GetDiskFreeSpaceA", root) || found == geometries.end()) {
        return 0;
    }
    geometry = found->second;
    return 1;
}

unsigned FakePlatform::GetDriveType(const std::string& root) {
    Log("GetDriveTypeA", root);
    const std::string upper = FoldCase(root);
    if (upper.size() == 3 && upper[1] == ':' && upper[2] == '\\' &&
        (usedDriveLetters.count(upper[0]) != 0 || connections.count(upper.substr(0, 2)) != 0)) {
        return kDriveFixed;
    }
    return win::kDriveNoRootDir;
}

unsigned FakePlatform::AddConnection(const std::string& remoteName, const std::string& localName) {
    Log("WNetAddConnectionA", remoteName + " " + localName);
    if (Fails("WNetAddConnectionA", remoteName)) {
        return kErrorBadNetName;
    }
    connections.insert(FoldCase(localName));
    geometries[FoldCase(localName) + "\\"] = platform::DiskGeometry{16, 512, 4000, 9000};
    return 0;
}

unsigned FakePlatform::CancelConnection(const std::string& localName, bool force) {
    Log("WNetCancelConnectionA", localName + (force ? " force" : ""));
    return connections.erase(FoldCase(localName)) != 0 ? 0 : kErrorNotConnected;
}

}  // namespace fake

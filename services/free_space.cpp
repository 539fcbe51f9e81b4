#include "platform/platform.h"
#include "platform/win_constants.h"
#include "services/folders.h"

namespace {

// A free drive letter for a temporary connection to a share: the first of C: to Z: that has no
// drive behind it, as "X:"; empty when every letter is in use.
std::string FindFreeDriveLetter(platform::Disks& disks) {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (disks.GetDriveType(root) == win::kDriveNoRootDir) {
            return root.substr(0, 2);
        }
    }
    return std::string();
}

}  // namespace

int GetFreeDiskSpace(const std::string& path, uint64_t& freeBytes) {
    platform::Disks& disks = platform::Current().disks;
    if (disks.HasGetDiskFreeSpaceEx()) {
        return disks.GetDiskFreeSpaceEx(path, freeBytes);
    }

    // Systems without the extended call: ask for the clusters of the drive's root; a share is
    // reached through a drive letter connected for the time of the question.
    std::string root;
    std::string connectedName;
    if (path.compare(0, 2, "\\\\") == 0) {
        connectedName = FindFreeDriveLetter(disks);
        if (connectedName.empty()) {
            return 0;
        }
        if (disks.AddConnection(path, connectedName) != 0) {
            return 0;
        }
        root = connectedName + "\\";
    } else {
        const std::string drive = (path.size() >= 2 && path[1] == ':') ? path.substr(0, 2) : "";
        root = drive + "\\";
    }

    platform::DiskGeometry geometry;
    const int result = disks.GetDiskFreeSpace(root, geometry);
    if (!connectedName.empty()) {
        disks.CancelConnection(connectedName, false);
    }
    if (result) {
        freeBytes = static_cast<uint64_t>(geometry.sectorsPerCluster) * geometry.bytesPerSector *
                    geometry.freeClusters;
    }
    return result;
}

#include "common/path_parts.h"

#include "common/cp932.h"

namespace {

// Index just past the last separator ("\" or "/"), or 0.
std::size_t AfterLastSeparator(const std::string& path, std::size_t from) {
    std::size_t start = from;
    for (std::size_t i = from; i < path.size(); i = cp932::NextCharIndex(path, i)) {
        if (path[i] == '\\' || path[i] == '/') {
            start = i + 1;
        }
    }
    return start;
}

}  // namespace

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && !cp932::IsLeadByte(path[0])) {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    const std::size_t nameStart = AfterLastSeparator(path, start);
    parts.directory = path.substr(start, nameStart - start);
    std::size_t period = std::string::npos;
    for (std::size_t i = nameStart; i < path.size(); i = cp932::NextCharIndex(path, i)) {
        if (path[i] == '.') {
            period = i;
        }
    }
    if (period == std::string::npos) {
        parts.baseName = path.substr(nameStart);
    } else {
        parts.baseName = path.substr(nameStart, period - nameStart);
        parts.extension = path.substr(period);
    }
    return parts;
}

std::string LastComponent(const std::string& path) {
    return path.substr(AfterLastSeparator(path, 0));
}

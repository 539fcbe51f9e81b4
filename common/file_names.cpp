#include "common/file_names.h"

#include "common/cp932.h"
#include "common/path_parts.h"

std::string TargetFileName(const std::string& fileName) {
    return LastComponent(fileName);
}

bool IsUsableFileName(const std::string& name) {
    // A byte the system would read as a character of its own must not hide behind a lead byte.
    if (name.empty() || name == "." || name == ".." || !cp932::IsWellFormed(name)) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); i = cp932::NextCharIndex(name, i)) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos) {
            return false;
        }
    }
    return true;
}

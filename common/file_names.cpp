#include "common/file_names.h"

#include "common/cp932.h"
#include "common/path_parts.h"

std::string TargetFileName(const std::string& fileName) {
    return LastComponent(fileName);
}

bool IsDeviceName(const std::string& name) {
    // The system takes the name up to its first dot, spaces at its end dropped: "con.ttf" and
    // "NUL .txt" are devices too.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

bool IsUsableFileName(const std::string& name) {
    // A byte the system would read as a character of its own must not hide behind a lead byte.
    if (name.empty() || name == "." || name == ".." || !cp932::IsWellFormed(name) ||
        IsDeviceName(name)) {
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

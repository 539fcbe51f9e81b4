#include "common/cp932.h"

namespace cp932 {

namespace {

std::array<bool, 256> leadBytes = DefaultLeadBytes();

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::array<bool, 256> DefaultLeadBytes() {
    std::array<bool, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }
    return table;
}

bool IsLeadByte(unsigned char byte) {
    return leadBytes[byte];
}

void SetLeadBytes(const std::array<bool, 256>& table) {
    leadBytes = table;
}

std::size_t NextCharIndex(const std::string& text, std::size_t index) {
    if (index >= text.size()) {
        return text.size();
    }
    if (IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size()) {
        return index + 2;
    }
    return index + 1;
}

std::size_t FindChar(const std::string& text, char wanted, std::size_t from) {
    std::size_t i = from;
    while (i < text.size()) {
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
            if (i + 1 >= text.size()) {
                return std::string::npos;
            }
            i += 2;
            continue;
        }
        if (text[i] == wanted) {
            return i;
        }
        ++i;
    }
    return std::string::npos;
}

std::size_t FindLastBackslash(const std::string& text) {
    std::size_t last = std::string::npos;
    for (std::size_t i = FindChar(text, '\\'); i != std::string::npos;
         i = FindChar(text, '\\', i + 1)) {
        last = i;
    }
    return last;
}

bool EndsWithBackslash(const std::string& text) {
    return !text.empty() && FindLastBackslash(text) == text.size() - 1;
}

bool IsWellFormed(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLeadByte(static_cast<unsigned char>(text[i]))) {
            continue;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) {
            return false;
        }
        ++i;
    }
    return true;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < a.size()) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            i += 2;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace cp932

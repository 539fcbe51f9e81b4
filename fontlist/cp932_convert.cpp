#include "fontlist/cp932_convert.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace fontlist {

namespace {

#include "fontlist/cp932_table.inc"

template <std::size_t N>
const std::uint16_t* Find(const std::uint16_t (&table)[N][2], unsigned key) {
    const auto* end = table + N;
    const auto* at = std::lower_bound(
        table, end, key, [](const std::uint16_t(&row)[2], unsigned k) { return row[0] < k; });
    return (at != end && (*at)[0] == key) ? *at : nullptr;
}

std::string Bytes(unsigned value) {
    if (value < 0x100) {
        return std::string(1, static_cast<char>(value));
    }
    return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

UnitConversion ConvertUnit(char16_t unit) {
    UnitConversion result;
    const std::uint16_t* row = Find(kToCp932, unit);
    if (row == nullptr) {
        result.bytes = "?";
        result.usedDefault = true;
        result.exact = false;
        return result;
    }
    result.bytes = Bytes(row[1]);
    const std::uint16_t* back = Find(kFromCp932, row[1]);
    result.exact = back != nullptr && back[1] == unit;
    return result;
}

std::string ToCp932(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out += ConvertUnit(unit).bytes;
    }
    return out;
}

std::u16string FromCp932(const std::string& bytes, bool* valid) {
    std::u16string out;
    bool ok = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        unsigned key = first;
        std::size_t length = 1;
        if (IsLead(first) && i + 1 < bytes.size()) {
            key = (key << 8) | static_cast<unsigned char>(bytes[i + 1]);
            length = 2;
        }
        const std::uint16_t* row = Find(kFromCp932, key);
        if (row == nullptr) {
            out += u'\uFFFD';
            ok = false;
            length = 1;  // the next byte may start a character of its own
        } else {
            out += static_cast<char16_t>(row[1]);
        }
        i += length;
    }
    if (valid != nullptr) {
        *valid = ok;
    }
    return out;
}

std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string FromUtf8(const std::string& text, bool* valid) {
    std::u16string out;
    bool ok = true;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = b < 0x80         ? 1
                             : (b >> 5) == 6  ? 2
                             : (b >> 4) == 14 ? 3
                             : (b >> 3) == 30 ? 4
                                              : 0;
        char32_t c = length == 1   ? b
                     : length == 2 ? (b & 0x1F)
                     : length == 3 ? (b & 0x0F)
                                   : (b & 0x07);
        bool good = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; good && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            good = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        static const std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
        if (good && (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
            good = false;
        }
        if (!good) {
            out += u'\uFFFD';
            ok = false;
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    if (valid != nullptr) {
        *valid = ok;
    }
    return out;
}

}  // namespace fontlist

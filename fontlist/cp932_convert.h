// Code page 932 as Windows converts it, from the table the system itself produced
// (cp932_table.inc, written by cp932_dump.exe under Wine): the same bytes as
// WideCharToMultiByte(932, 0, ...) for every UTF-16 unit, best-fit characters included.
#pragma once

#include <cstdint>
#include <string>

namespace fontlist {

// One UTF-16 unit as the system converts it. usedDefault is set when it has no form at all and
// became '?'; exact is false also when it became a best-fit look-alike.
struct UnitConversion {
    std::string bytes;
    bool usedDefault = false;
    bool exact = true;
};
UnitConversion ConvertUnit(char16_t unit);

// A whole string, unit by unit (a surrogate pair is two units, so two '?').
std::string ToCp932(const std::u16string& text);

// CP932 bytes back to UTF-16; a byte or pair the system rejects becomes U+FFFD. valid is
// cleared when that happens.
std::u16string FromCp932(const std::string& bytes, bool* valid = nullptr);

// UTF-16 to UTF-8 and back, for the Linux console and file names; unpaired surrogates become
// U+FFFD, as do malformed UTF-8 sequences (valid cleared).
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text, bool* valid = nullptr);

}  // namespace fontlist

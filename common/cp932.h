// Byte-string helpers that respect double-byte characters of the ANSI code page (932): a trail
// byte 0x5C inside a character such as ソ (83 5C) or 表 (95 5C) is never taken for a backslash.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace cp932 {

// Lead bytes of code page 932 (0x81-0x9F, 0xE0-0xFC) until the exe installs the system's own.
bool IsLeadByte(unsigned char byte);
void SetLeadBytes(const std::array<bool, 256>& leadBytes);
std::array<bool, 256> DefaultLeadBytes();

// Index just past the character that starts at index, stepping over a double-byte character as a
// whole; a lead byte at the very end counts as one byte.
std::size_t NextCharIndex(const std::string& text, std::size_t index);

// First occurrence of a single-byte character at or after from (a character boundary), skipping
// double-byte characters; a lead byte directly followed by the end stops the search.
// std::string::npos when absent.
std::size_t FindChar(const std::string& text, char wanted, std::size_t from = 0);

// Last backslash that stands as a character of its own; std::string::npos when there is none.
std::size_t FindLastBackslash(const std::string& text);

// True when text ends in a backslash that stands as a character of its own.
bool EndsWithBackslash(const std::string& text);

// True when every lead byte is followed by a byte that can end a double-byte character
// (0x40-0x7E or 0x80-0xFC). Text converted from Unicode by the system always is; a byte string
// from a file may not be, and the system would then read its bytes otherwise than we do.
bool IsWellFormed(const std::string& text);

// Path comparison without regard to case: ASCII letters fold, double-byte characters compare
// byte for byte.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace cp932

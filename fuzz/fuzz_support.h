// What the fuzz targets share: a fake Windows for one input, and a check that aborts with a
// message, so that a broken invariant is a crash the fuzzer keeps.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                           \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__, \
                         #condition);                                                   \
            std::abort();                                                               \
        }                                                                               \
    } while (false)

// Bytes that stay inside CP932 path syntax often enough to reach deep code: letters, digits,
// separators, dots, colons, blanks, quotes, commas, lead bytes and their trail bytes 0x5C.
inline char PathByte(unsigned char pick) {
    static const char kAlphabet[] = "ab.\\/: ,\"\x83\x5C\x95\x8E\x81\xFC\x40\xE0tf1\r\n";
    return kAlphabet[pick % (sizeof kAlphabet - 1)];
}

// The checked-in CP932 table held to the system's own conversion, in both directions, for every
// UTF-16 unit and every byte and byte pair.
#include <windows.h>

#include <gtest/gtest.h>

#include "fontlist/cp932_convert.h"

namespace {

TEST(Cp932TableUnderWine, EveryUnitConvertsAsWideCharToMultiByte) {
    ASSERT_EQ(GetACP(), 932u) << "the prefix must run with a Japanese locale";
    int differences = 0;
    int defaults = 0;
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const wchar_t unit = static_cast<wchar_t>(u);
        char out[4] = {};
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(932, 0, &unit, 1, out, sizeof out, nullptr, &usedDefault);
        const fontlist::UnitConversion ours = fontlist::ConvertUnit(static_cast<char16_t>(u));
        defaults += usedDefault ? 1 : 0;
        if (std::string(out, n > 0 ? n : 0) != ours.bytes ||
            (usedDefault != FALSE) != ours.usedDefault) {
            if (++differences <= 10) {
                ADD_FAILURE() << "U+" << std::hex << u << ": system " << n << " bytes";
            }
        }
    }
    EXPECT_EQ(differences, 0);
    // Most of the BMP has no CP932 form; a table that mapped everything would be wrong.
    EXPECT_GT(defaults, 40000);
}

TEST(Cp932TableUnderWine, EveryByteSequenceReadsAsMultiByteToWideChar) {
    int differences = 0;
    for (unsigned b = 0; b <= 0xFFFF; ++b) {
        const bool single = b < 0x100;
        if (!single && !IsDBCSLeadByteEx(932, static_cast<BYTE>(b >> 8))) {
            continue;
        }
        const std::string bytes =
            single ? std::string(1, static_cast<char>(b))
                   : std::string{static_cast<char>(b >> 8), static_cast<char>(b & 0xFF)};
        if (single && IsDBCSLeadByteEx(932, static_cast<BYTE>(b))) {
            continue;
        }
        wchar_t out[4] = {};
        const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), out, 4);
        bool valid = false;
        const std::u16string ours = fontlist::FromCp932(bytes, &valid);
        const bool same = n == 1 ? (valid && ours == std::u16string(1, out[0])) : !valid;
        if (!same && ++differences <= 10) {
            ADD_FAILURE() << "bytes 0x" << std::hex << b << ": system gives " << n << " units";
        }
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace

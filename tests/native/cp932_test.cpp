#include "common/cp932.h"

#include <gtest/gtest.h>

namespace {

// ソ is 83 5C and 表 is 95 5C: their second byte is the backslash code.
const std::string kSo = "ソ";
const std::string kHyo = "表";

TEST(Cp932Test, SourceLiteralsAreCompiledAsCodePage932) {
    ASSERT_EQ(kSo, std::string("\x83\x5C"));
    ASSERT_EQ(kHyo, std::string("\x95\x5C"));
}

TEST(Cp932Test, LeadBytesAreTheTwoRangesOfCodePage932) {
    EXPECT_FALSE(cp932::IsLeadByte(0x80));
    EXPECT_TRUE(cp932::IsLeadByte(0x81));
    EXPECT_TRUE(cp932::IsLeadByte(0x9F));
    EXPECT_FALSE(cp932::IsLeadByte(0xA0));
    EXPECT_FALSE(cp932::IsLeadByte(0xDF));  // half-width katakana are single bytes
    EXPECT_TRUE(cp932::IsLeadByte(0xE0));
    EXPECT_TRUE(cp932::IsLeadByte(0xFC));
    EXPECT_FALSE(cp932::IsLeadByte(0xFD));
    EXPECT_FALSE(cp932::IsLeadByte('\\'));
}

TEST(Cp932Test, LastBackslashSkipsTrailBytes) {
    EXPECT_EQ(cp932::FindLastBackslash("C:\\" + kSo), 2u);
    EXPECT_EQ(cp932::FindLastBackslash("C:\\" + kHyo + "\\a.ttf"), 5u);
    EXPECT_EQ(cp932::FindLastBackslash(kSo + kHyo), std::string::npos);
    EXPECT_EQ(cp932::FindLastBackslash(""), std::string::npos);
    EXPECT_EQ(cp932::FindLastBackslash("\\"), 0u);
}

TEST(Cp932Test, EndsWithBackslashOnlyForARealSeparator) {
    EXPECT_TRUE(cp932::EndsWithBackslash("C:\\fonts\\"));
    EXPECT_FALSE(cp932::EndsWithBackslash("C:\\" + kSo));
    EXPECT_TRUE(cp932::EndsWithBackslash("C:\\" + kSo + "\\"));
    EXPECT_FALSE(cp932::EndsWithBackslash(""));
}

TEST(Cp932Test, FindCharStepsOverWholeCharactersAndStopsAtALoneLeadByte) {
    EXPECT_EQ(cp932::FindChar(kSo + "\\x", '\\'), 2u);
    EXPECT_EQ(cp932::FindChar("a,b", ',', 2), std::string::npos);
    // A lead byte takes the next byte with it, whatever that byte is.
    EXPECT_EQ(cp932::FindChar("a\x83,b", ','), std::string::npos);
    EXPECT_EQ(cp932::FindChar("ab\x83", 'x'), std::string::npos);
}

TEST(Cp932Test, NextCharIndexTreatsALeadByteAtTheEndAsOneByte) {
    EXPECT_EQ(cp932::NextCharIndex(kSo + "a", 0), 2u);
    EXPECT_EQ(cp932::NextCharIndex("a\x83", 1), 2u);
    EXPECT_EQ(cp932::NextCharIndex("a", 5), 1u);
}

TEST(Cp932Test, CaseFoldsAsciiOnlyAndComparesDoubleByteCharactersExactly) {
    EXPECT_TRUE(cp932::EqualsIgnoreCase("C:\\Windows\\FONTS", "c:\\windows\\fonts"));
    EXPECT_FALSE(cp932::EqualsIgnoreCase("a.ttf", "a.ttc"));
    EXPECT_FALSE(cp932::EqualsIgnoreCase("a", "ab"));
    // 82 61 is a full-width letter; its trail byte 0x61 ('a') must not fold to 0x41.
    EXPECT_FALSE(cp932::EqualsIgnoreCase("\x82\x61", "\x82\x41"));
    EXPECT_TRUE(cp932::EqualsIgnoreCase(kSo + "x", kSo + "X"));
}

TEST(Cp932Test, TheLeadByteTableCanBeReplacedByTheSystemOne) {
    std::array<bool, 256> none{};
    cp932::SetLeadBytes(none);
    EXPECT_EQ(cp932::FindLastBackslash(kSo), 1u);
    cp932::SetLeadBytes(cp932::DefaultLeadBytes());
    EXPECT_EQ(cp932::FindLastBackslash(kSo), std::string::npos);
}

}  // namespace

TEST(Cp932Test, WellFormedTextEndsEveryDoubleByteCharacterWithATrailByte) {
    EXPECT_TRUE(cp932::IsWellFormed(""));
    EXPECT_TRUE(cp932::IsWellFormed("ソフト表示 a.ttf"));
    EXPECT_TRUE(cp932::IsWellFormed("\x83\x40\x83\x7E\x83\x80\x83\xFC"));
    EXPECT_FALSE(cp932::IsWellFormed("abc\x83"));    // a lone lead byte at the end
    EXPECT_FALSE(cp932::IsWellFormed("\x95:evil"));  // ':' cannot end a character
    EXPECT_FALSE(cp932::IsWellFormed("\x83/x"));     // nor can '/'
    EXPECT_FALSE(cp932::IsWellFormed("\x83\x7F"));
    EXPECT_FALSE(cp932::IsWellFormed("\x83\xFD"));
}

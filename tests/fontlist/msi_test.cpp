// The package's GUIDs, its version rule and the rows that name each font. The archives are
// UTF-8 (u8 literals); FontList.txt and the summary are CP932.
#include <gtest/gtest.h>

#include "fontlist/msi.h"

namespace {

const fontlist::Guid kDns = "{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}";

// The row of a text archive that begins with key.
std::string Row(const fontlist::MsiTables& tables, const std::string& archive,
                const std::string& key) {
    for (const auto& [name, text] : tables.archives) {
        const std::size_t at = name == archive ? text.find("\r\n" + key + "\t") : std::string::npos;
        if (at != std::string::npos) {
            return text.substr(at + 2, text.find("\r\n", at + 2) - at - 2);
        }
    }
    return "";
}

std::string Field(const std::string& row, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = row.find('\t', start) + 1;
    }
    return row.substr(start, row.find('\t', start) - start);
}

TEST(MsiGuids, NameBasedGuidsAreRfc4122Version5OnEitherSideOfTheHashBlock) {
    EXPECT_EQ(fontlist::NameBasedGuid(kDns, "python.org"),
              "{886313E1-3B8A-5372-9B90-0C9AEE199E5D}");
    // 16 bytes of namespace and 39 of name fill one SHA-1 block with its length; 40 need two.
    EXPECT_EQ(fontlist::NameBasedGuid(kDns, std::string(39, 'x')),
              "{2F80C0D1-1C62-579F-8D68-E61AD5592C9B}");
    EXPECT_EQ(fontlist::NameBasedGuid(kDns, std::string(40, 'x')),
              "{E56FD57A-7633-5E1D-8F80-70E05AC413E5}");
    EXPECT_EQ(fontlist::NameBasedGuid(kDns, std::string(100, 'x')),
              "{897F5B43-A3C8-582D-9C8D-9CFE358A534D}");
    const std::uint8_t ones[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(fontlist::RandomGuid(ones), "{FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF}");
}

TEST(MsiVersion, HoldsEachFieldToItsLimitAndTwoOrThreeFields) {
    EXPECT_TRUE(fontlist::IsProductVersion("255.255.65535"));
    EXPECT_FALSE(fontlist::IsProductVersion("256.0.0"));
    EXPECT_FALSE(fontlist::IsProductVersion("0.256.0"));
    EXPECT_FALSE(fontlist::IsProductVersion("0.0.65536"));
    EXPECT_TRUE(fontlist::IsProductVersion("1.0"));
    // A fourth field is not compared by Windows Installer, so an upgrade by it would not upgrade.
    EXPECT_FALSE(fontlist::IsProductVersion("1.0.0.1"));
    for (const char* bad : {"", "1", "1.", "1..0", ".1.0", "1.0a", "1.-1", "1.000000"}) {
        EXPECT_FALSE(fontlist::IsProductVersion(bad)) << bad;
    }
}

TEST(MsiTables, NameEachFontAsTheInstallerDoesAndKeepTheUpgradeCodeAcrossVersions) {
    fontlist::MsiSettings settings{"\x8C\xA9\x96\x7B", "Maker", "1.0.0", "{P}", "{K}"};  // 見本
    const std::vector<fontlist::MsiFont> fonts = {
        {"\x8C\xA9\x96\x7B Gothic", "sub\\\x95\x5C.ttf", 10},  // 表.ttf: trail byte 0x5C
        {"Sans Bold", "SANSB.OTF", 20},
        {"Mincho", "\x83\x61.ttc", 30},  // a trail byte that looks like 'a'
        {"Mincho2", "\x83\x41.ttc", 30},
        {"Other", "other.fon", 40},
    };
    const fontlist::MsiTables tables = fontlist::MakeMsiTables(fonts, settings);
    EXPECT_EQ(Row(tables, "Font.idt", "Font1"), u8"Font1\t見本 Gothic (TrueType)");
    EXPECT_EQ(Row(tables, "Font.idt", "Font2"), "Font2\tSans Bold (OpenType)");
    EXPECT_EQ(Row(tables, "Font.idt", "Font5"), "Font5\tOther");
    // The file goes to the Fonts folder under its last component; an 8.3 name stands alone.
    EXPECT_EQ(Field(Row(tables, "File.idt", "Font1"), 2), u8"F0000001.TTF|表.ttf");
    EXPECT_EQ(Field(Row(tables, "File.idt", "Font2"), 2), "SANSB.OTF");
    EXPECT_EQ(Field(Row(tables, "File.idt", "Font3"), 3), "30");
    EXPECT_EQ(Row(tables, "Property.idt", "ProductName"), u8"ProductName\t見本");
    EXPECT_EQ(Row(tables, "summary.idt", "3"), "3\t\x8C\xA9\x96\x7B");
    EXPECT_EQ(Field(Row(tables, "Media.idt", "1"), 1), "5");

    // One file name is one component whatever its ASCII case, and two names differing only in a
    // trail byte are two.
    const fontlist::MsiTables lower =
        fontlist::MakeMsiTables({{"Sans Bold", "sansb.otf", 20}}, settings);
    EXPECT_EQ(Field(Row(lower, "Component.idt", "Font1"), 1),
              Field(Row(tables, "Component.idt", "Font2"), 1));
    EXPECT_NE(Field(Row(tables, "Component.idt", "Font3"), 1),
              Field(Row(tables, "Component.idt", "Font4"), 1));

    settings.version = "2.0.0";
    settings.productCode = "{P2}";
    EXPECT_EQ(fontlist::MakeMsiTables(fonts, settings).upgradeCode, tables.upgradeCode);
    settings.productName = "Other";
    EXPECT_NE(fontlist::MakeMsiTables(fonts, settings).upgradeCode, tables.upgradeCode);
}

}  // namespace

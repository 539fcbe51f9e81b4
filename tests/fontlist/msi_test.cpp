// The package's GUIDs, its version rule, its limits and the rows that name each font. The rows
// are UTF-8 (u8 literals); FontList.txt and the summary are CP932.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fontlist/msi.h"
#include "sfnt_builder.h"

namespace {

const fontlist::Guid kDns = "{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}";

const fontlist::MsiTable& Table(const fontlist::MsiTables& tables, const std::string& name) {
    for (const fontlist::MsiTable& table : tables.tables) {
        if (table.name == name) {
            return table;
        }
    }
    static const fontlist::MsiTable none;
    ADD_FAILURE() << "no table " << name;
    return none;
}

// The row of a table whose first field is key, its fields joined by tabs as an archive has them.
std::string Row(const fontlist::MsiTables& tables, const std::string& table,
                const std::string& key) {
    for (const std::vector<std::string>& row : Table(tables, table).rows) {
        if (row[0] == key) {
            std::string joined;
            for (std::size_t i = 0; i < row.size(); ++i) {
                joined += (i == 0 ? "" : "\t") + row[i];
            }
            return joined;
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

fontlist::MsiSettings Settings() {
    return fontlist::MsiSettings{"\x8C\xA9\x96\x7B", "Maker", "1.0.0", "{P}", "{K}"};  // 見本
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

TEST(MsiTables, LeaveTitlesToTheFilesKeepEarlierFontsAndNameEveryFileOnce) {
    fontlist::MsiSettings settings = Settings();
    const std::vector<fontlist::MsiFont> fonts = {
        {"\x8C\xA9\x96\x7B Gothic", "sub\\\x95\x5C.ttf", 10},  // 表.ttf: trail byte 0x5C
        {"Sans Bold", "SANSB.OTF", 20},
        {"Mincho", "\x83\x61.ttc", 30},  // a trail byte that looks like 'a'
        {"Mincho2", "\x83\x41.ttc", 30},
        {"Other", "other.fon", 40},
        {"Real", "F0000002.TTC", 50},  // a real file with the name the next short name would take
        {"Z", "fontz.ttf", 60},
    };
    const fontlist::MsiTables tables = fontlist::MakeMsiTables(fonts, settings);
    ASSERT_EQ(tables.refused, "");
    EXPECT_EQ(Row(tables, "Font", "Font1"), "Font1\t");
    EXPECT_EQ(Row(tables, "Font", "Font2"), "Font2\t");
    EXPECT_EQ(Row(tables, "Font", "Font3"), "Font3\t");
    EXPECT_EQ(Row(tables, "Font", "Font5"), "Font5\tOther");
    for (const std::vector<std::string>& row : Table(tables, "Component").rows) {
        EXPECT_EQ(row[3], "16") << row[0] << " is permanent";
    }
    // The file goes to the Fonts folder under its last component; an 8.3 name stands alone, a
    // long one gets a short name that is no other file's.
    EXPECT_EQ(Field(Row(tables, "File", "Font1"), 2), u8"F0000001.TTF|表.ttf");
    EXPECT_EQ(Field(Row(tables, "File", "Font2"), 2), "SANSB.OTF");
    EXPECT_EQ(Field(Row(tables, "File", "Font3"), 2), u8"F0000003.TTC|ヂ.ttc");
    EXPECT_EQ(Field(Row(tables, "File", "Font6"), 2), "F0000002.TTC");
    EXPECT_EQ(Field(Row(tables, "File", "Font3"), 3), "30");
    EXPECT_EQ(Row(tables, "Property", "ProductName"), u8"ProductName\t見本");
    EXPECT_EQ(tables.summary[2], (std::pair<int, std::string>{3, "\x8C\xA9\x96\x7B"}));
    EXPECT_EQ(Field(Row(tables, "Media", "1"), 1), "7");
    EXPECT_EQ(Table(tables, "Upgrade").rows,
              (std::vector<std::vector<std::string>>{
                  {tables.upgradeCode, "", "1.0.0", "", "512", "", "OLDERFOUND"},
                  {tables.upgradeCode, "1.0.0", "", "", "2", "", "NEWERFOUND"}}));

    // One file name is one component whatever its ASCII case, 'a' to 'z', and two names
    // differing only in a trail byte are two.
    const fontlist::MsiTables upper = fontlist::MakeMsiTables(
        {{"Sans Bold", "sansb.otf", 20}, {"Z", "FONTZ.TTF", 60}, {"L", "long name.o-t", 1}},
        settings);
    // A short name's extension keeps letters and digits only.
    EXPECT_EQ(Field(Row(upper, "File", "Font3"), 2), "F0000001.OT|long name.o-t");
    EXPECT_EQ(Field(Row(upper, "Component", "Font1"), 1),
              Field(Row(tables, "Component", "Font2"), 1));
    EXPECT_EQ(Field(Row(upper, "Component", "Font2"), 1),
              Field(Row(tables, "Component", "Font7"), 1));
    EXPECT_NE(Field(Row(tables, "Component", "Font3"), 1),
              Field(Row(tables, "Component", "Font4"), 1));

    settings.version = "2.0.0";
    settings.productCode = "{P2}";
    EXPECT_EQ(fontlist::MakeMsiTables(fonts, settings).upgradeCode, tables.upgradeCode);
    settings.productName = "Other";
    EXPECT_NE(fontlist::MakeMsiTables(fonts, settings).upgradeCode, tables.upgradeCode);
    settings = Settings();
    settings.manufacturer = "Other";
    EXPECT_NE(fontlist::MakeMsiTables(fonts, settings).upgradeCode, tables.upgradeCode);
}

TEST(MsiTables, ValidationDescribesEveryColumnOfEveryTableOnce) {
    const fontlist::MsiTables tables = fontlist::MakeMsiTables({{"A", "a.ttf", 1}}, Settings());
    std::set<std::pair<std::string, std::string>> described;
    for (const std::vector<std::string>& row : Table(tables, "_Validation").rows) {
        EXPECT_TRUE(described.insert({row[0], row[1]}).second) << row[0] << "." << row[1];
    }
    std::size_t columns = 0;
    for (const fontlist::MsiTable& table : tables.tables) {
        for (const fontlist::MsiColumn& column : table.columns) {
            ++columns;
            EXPECT_EQ(described.count({table.name, column.name}), 1u)
                << table.name << "." << column.name;
        }
    }
    EXPECT_EQ(described.size(), columns);
    // Nullable follows the type's case; keys name their table and its first column.
    EXPECT_EQ(Table(tables, "_Validation").rows.front(),
              (std::vector<std::string>{"Property", "Property", "N", "", "", "", "", "Identifier",
                                        "", "Name of the property"}));
    bool sawFileSize = false;
    for (const std::vector<std::string>& row : Table(tables, "_Validation").rows) {
        if (row[0] == "File" && row[1] == "FileSize") {
            sawFileSize = true;
            EXPECT_EQ(row,
                      (std::vector<std::string>{"File", "FileSize", "N", "0", "2147483647", "", "",
                                                "DoubleInteger", "", "Its size in bytes"}));
        }
        if (row[0] == "Component" && row[1] == "KeyPath") {
            EXPECT_EQ(row[2], "Y");
            EXPECT_EQ(row[5], "File;Registry;ODBCDataSource");
            EXPECT_EQ(row[6], "1");
        }
    }
    EXPECT_TRUE(sawFileSize);
    // The primary keys Microsoft's schema gives each table.
    const std::map<std::string, std::string> keys = {
        {"Property", "Property"},
        {"Directory", "Directory"},
        {"Feature", "Feature"},
        {"Component", "Component"},
        {"FeatureComponents", "Feature_\tComponent_"},
        {"File", "File"},
        {"Font", "File_"},
        {"Media", "DiskId"},
        {"Upgrade", "UpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes"},
        {"LaunchCondition", "Condition"},
        {"InstallExecuteSequence", "Action"},
        {"InstallUISequence", "Action"},
        {"AdminExecuteSequence", "Action"},
        {"_Validation", "Table\tColumn"}};
    ASSERT_EQ(tables.tables.size(), keys.size());
    for (const fontlist::MsiTable& table : tables.tables) {
        const std::string archive = fontlist::ArchiveText(table, false);
        const std::size_t line = archive.find("\r\n", archive.find("\r\n") + 2) + 2;
        EXPECT_EQ(archive.substr(line), table.name + "\t" + keys.at(table.name) + "\r\n");
    }
    EXPECT_EQ(fontlist::ArchiveText(Table(tables, "Font")),
              "File_\tFontTitle\r\ns72\tS128\r\nFont\tFile_\r\nFont1\t\r\n");
    EXPECT_EQ(fontlist::ArchiveText(Table(tables, "FeatureComponents"), false),
              "Feature_\tComponent_\r\ns38\ts72\r\nFeatureComponents\tFeature_\tComponent_\r\n");
}

TEST(MsiTables, RefuseWhatTheCabinetOrAColumnCannotHold) {
    std::vector<fontlist::MsiFont> many;
    for (std::size_t i = 0; i < fontlist::kMaxMsiFonts; ++i) {
        many.push_back({"F", "f" + std::to_string(i) + ".ttf", 1});
    }
    EXPECT_EQ(fontlist::MakeMsiTables(many, Settings()).refused, "");
    many.push_back({"F", "last.ttf", 1});
    EXPECT_NE(fontlist::MakeMsiTables(many, Settings()).refused, "");

    const fontlist::MsiTables whole =
        fontlist::MakeMsiTables({{"A", "a.ttf", 0x7FFFFFFE}, {"B", "b.ttf", 1}}, Settings());
    EXPECT_EQ(whole.refused, "");
    EXPECT_EQ(Field(Row(whole, "File", "Font1"), 3), "2147483646");
    EXPECT_NE(fontlist::MakeMsiTables({{"A", "a.ttf", 0x7FFFFFFE}, {"B", "b.ttf", 2}}, Settings())
                  .refused,
              "");

    // Every control character would end a field or a row of a text archive; a space does not.
    fontlist::MsiSettings settings = Settings();
    for (const std::string& name :
         {std::string("a\tb"), std::string("a\x1F") + "b", std::string("a\nb")}) {
        settings.manufacturer = name;
        EXPECT_NE(
            fontlist::MakeMsiTables({{"A", "a.ttf", 1}}, settings).refused.find("Property.Value"),
            std::string::npos)
            << name;
    }
    settings.manufacturer = "a b";
    EXPECT_EQ(fontlist::MakeMsiTables({{"A", "a.ttf", 1}}, settings).refused, "");
    EXPECT_NE(fontlist::MakeMsiTables({{"A", "a.fon", 1}, {"B\x01", "b.fon", 1}}, Settings())
                  .refused.find("Font.FontTitle"),
              std::string::npos);
}

fontlist::FontFile Read(const fontlist_test::Face& face) {
    const std::string bytes = fontlist_test::BuildFont(face);
    fontlist::FontFile font;
    EXPECT_EQ(fontlist::ReadFontFile(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size(), font),
              fontlist::FontError::kNone);
    return font;
}

fontlist_test::Face Made(const std::u16string& family, const std::u16string& english,
                         const std::u16string& japanese) {
    fontlist_test::Face face = fontlist_test::WindowsFace({{0x0409, family}});
    if (!english.empty()) {
        face.names.push_back({3, 1, 0x0409, 8, english});
    }
    if (!japanese.empty()) {
        face.names.push_back({3, 1, 0x0411, 8, japanese});
    }
    return face;
}

TEST(MsiDefaults, NameTheMakerTheFontsAgreeOnAndTheirFamilies) {
    const fontlist::MsiDefaults agreed = fontlist::DefaultNames(
        {Read(Made(u"Alpha", u"Maker", u"")), Read(Made(u"Beta", u"Maker", u"")),
         Read(Made(u"Alpha", u"", u""))});
    EXPECT_EQ(agreed.manufacturer, "Maker");
    EXPECT_EQ(agreed.productName, "Alpha, Beta");
    // The Japanese record comes first, as in the names.
    EXPECT_EQ(fontlist::DefaultNames({Read(Made(u"Alpha", u"Maker", u"見本社"))}).manufacturer,
              "\x8C\xA9\x96\x7B\x8E\xD0");
    EXPECT_EQ(fontlist::DefaultNames(
                  {Read(Made(u"Alpha", u"Maker", u"")), Read(Made(u"Beta", u"Other", u""))})
                  .manufacturer,
              "");
    EXPECT_EQ(fontlist::DefaultNames({Read(Made(u"Alpha", u"", u""))}).manufacturer, "");
    // The product's name stays within the summary's 255 bytes: eight families of 27 letters and
    // one of 23 or 24, with ", " between them.
    for (const std::size_t last : {23, 24}) {
        std::vector<fontlist::FontFile> fonts;
        for (char16_t letter = u'a'; letter < u'i'; ++letter) {
            fonts.push_back(Read(Made(std::u16string(27, letter), u"", u"")));
        }
        fonts.push_back(Read(Made(std::u16string(last, u'z'), u"", u"")));
        EXPECT_EQ(fontlist::DefaultNames(fonts).productName.size(), last == 23 ? 255u : 0u);
    }
    // A maker CP932 cannot spell is no name to guess.
    EXPECT_EQ(fontlist::DefaultNames({Read(Made(u"Alpha", u"M\u00E4ker", u""))}).manufacturer, "");
}

}  // namespace

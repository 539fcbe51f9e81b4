// The name reader over built fonts, hostile bytes included, and the family GDI takes from it.
#include <gtest/gtest.h>

#include "fontlist/cp932_convert.h"
#include "fontlist/font_files.h"
#include "fontlist/gdi_name.h"
#include "fontlist/sfnt_names.h"
#include "sfnt_builder.h"

namespace {

using fontlist::FontError;
using fontlist::FontFile;
using fontlist_test::Face;
using fontlist_test::Record;
using fontlist_test::WindowsFace;

FontError Read(const std::string& bytes, FontFile& font) {
    return fontlist::ReadFontFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                  font);
}

fontlist::FamilyName Family(const Face& face) {
    FontFile font;
    EXPECT_EQ(Read(fontlist_test::BuildFont(face), font), FontError::kNone);
    return font.faces.empty() ? fontlist::FamilyName{} : fontlist::ChooseFamilyName(font.faces[0]);
}

TEST(SfntReader, ReadsEveryRecordWithItsIdsAndText) {
    Face face = WindowsFace({{0x0409, u"Sample Gothic"}, {0x0411, u"見本ゴシック"}});
    face.names.push_back(Record{1, 0, 0, 1, u"Mac Gothic"});
    face.codePages1 = 1u << 17;
    face.weightClass = 350;
    face.macStyle = 3;
    FontFile font;
    ASSERT_EQ(Read(fontlist_test::BuildFont(face), font), FontError::kNone);
    ASSERT_EQ(font.faces.size(), 1u);
    EXPECT_FALSE(font.collection);
    const fontlist::FaceInfo& info = font.faces[0];
    // With a Windows cmap the Macintosh record is never read.
    ASSERT_EQ(info.names.size(), 2u);
    EXPECT_EQ(info.names[1].languageId, 0x0411);
    EXPECT_EQ(info.names[1].text, u"見本ゴシック");
    EXPECT_EQ(info.weightClass, 350);
    EXPECT_EQ(info.macStyle, 3);
    EXPECT_TRUE(info.windowsCmap);
    EXPECT_TRUE(info.hasCodePages);
    EXPECT_EQ(info.codePages1, 1u << 17);
    EXPECT_FALSE(info.cff);
}

// However many records a table holds, a face keeps the few the choice can take, and no name
// longer than the system's 511 units.
TEST(SfntReader, KeepsOnlyTheRecordsTheChoiceCanTake) {
    Face face = WindowsFace({{0x040C, u"Premier"},
                             {0x0409, u"English"},
                             {0x040C, u"Second"},
                             {0x0811, u"別"},
                             {0x0409, u"English 2"},
                             {0x0411, u"日本"}});
    face.names.push_back(Record{3, 1, 0x0409, 3, u"Unique ID"});
    face.names.push_back(Record{3, 1, 0x0409, 4, std::u16string(511, u'x')});
    face.names.push_back(Record{3, 1, 0x0411, 4, std::u16string(512, u'y')});
    FontFile font;
    ASSERT_EQ(Read(fontlist_test::BuildFont(face), font), FontError::kNone);
    std::vector<std::u16string> kept;
    for (const fontlist::NameRecord& record : font.faces[0].names) {
        kept.push_back(record.text.substr(0, 8));
    }
    EXPECT_EQ(kept, (std::vector<std::u16string>{u"Premier", u"English", u"別", u"日本",
                                                 u"xxxxxxxx", u"yyyyyyyy"}));
    EXPECT_EQ(font.faces[0].names[4].text.size(), 511u);
    EXPECT_EQ(font.faces[0].names[5].text.size(), 511u);

    // 65,535 records of 65,534 bytes, all on one string (the records themselves): 8.6 GB
    // decoded, were each kept.
    std::string bytes = fontlist_test::BuildFont(WindowsFace({{0x0409, u"A"}}));
    std::string name("\0\0\xFF\xFF\0\x06", 6);
    for (int i = 0; i < 65535; ++i) {
        name += std::string("\0\3\0\1\4\x09\0\1\xFF\xFE\0\0", 12);
    }
    bytes.replace(bytes.size() - (6 + 12 + 2), std::string::npos, name);
    const std::size_t length = name.size();  // in the name table's directory record, the fifth
    for (int i = 0; i < 4; ++i) {
        bytes[12 + 4 * 16 + 12 + i] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
    }
    ASSERT_EQ(Read(bytes, font), FontError::kNone);
    ASSERT_EQ(font.faces[0].names.size(), 1u);
    EXPECT_EQ(font.faces[0].names[0].text.size(), fontlist::kMaxNameUnits);
}

TEST(SfntReader, ReadsEachFaceOfACollection) {
    Face second = WindowsFace({{0x0409, u"Second"}});
    second.cff = true;
    FontFile font;
    ASSERT_EQ(
        Read(fontlist_test::BuildCollection({WindowsFace({{0x0409, u"First"}}), second}), font),
        FontError::kNone);
    EXPECT_TRUE(font.collection);
    ASSERT_EQ(font.faces.size(), 2u);
    EXPECT_EQ(font.faces[0].names[0].text, u"First");
    EXPECT_EQ(font.faces[1].names[0].text, u"Second");
    EXPECT_TRUE(font.faces[1].cff);
}

// A Macintosh name is one byte a unit: 511 bytes are kept whole, the 512th is never seen.
TEST(SfntReader, CutsAMacintoshNameAt511Units) {
    for (std::size_t bytes : {511, 512}) {
        Face face;
        face.cmapPlatforms = {1};
        face.names = {Record{1, 0, 0, 1,
                             std::u16string(510, u'm') + u"z" + std::u16string(bytes - 511, u'q')}};
        const fontlist::FamilyName family = Family(face);
        ASSERT_TRUE(family.found) << bytes;
        EXPECT_EQ(family.full.size(), 511u) << bytes;
        EXPECT_EQ(family.full.back(), u'z') << bytes;
    }
}

// Two faces of a collection on one name table, one with a Windows cmap and one without: each
// reads the records its own cmap lets the system read.
TEST(SfntReader, ReadsASharedNameTableByEachFacesOwnCmap) {
    Face windows = WindowsFace({{0x0409, u"Windows Name"}});
    windows.names.push_back(Record{1, 0, 0, 1, u"Mac Name"});
    Face mac = windows;
    mac.cmapPlatforms = {1};
    std::string bytes = fontlist_test::BuildCollection({windows, mac});
    // Point the second face's name record at the first face's table.
    const auto u32 = [&bytes](std::size_t at) {
        return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) << 24) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 16) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 8) |
               static_cast<std::uint8_t>(bytes[at + 3]);
    };
    const auto nameRecord = [&](std::size_t face) {
        const std::size_t start = u32(12 + 4 * face);
        const std::size_t count = (static_cast<std::uint8_t>(bytes[start + 4]) << 8) |
                                  static_cast<std::uint8_t>(bytes[start + 5]);
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes.compare(start + 12 + 16 * i, 4, "name") == 0) {
                return start + 12 + 16 * i;
            }
        }
        return std::size_t{0};
    };
    const std::size_t first = nameRecord(0);
    const std::size_t second = nameRecord(1);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    bytes.replace(second + 8, 8, bytes, first + 8, 8);
    FontFile font;
    ASSERT_EQ(Read(bytes, font), FontError::kNone);
    ASSERT_EQ(font.faces.size(), 2u);
    EXPECT_EQ(fontlist::ChooseFamilyName(font.faces[0]).full, u"Windows Name");
    EXPECT_EQ(fontlist::ChooseFamilyName(font.faces[1]).full, u"Mac Name");
}

TEST(SfntReader, RefusesWhatIsNoFont) {
    FontFile font;
    EXPECT_EQ(Read("", font), FontError::kTooShort);
    EXPECT_EQ(Read("Sample Gothic,sgothic.ttf\r\n", font), FontError::kNotFont);
    std::string collection = fontlist_test::BuildCollection({WindowsFace({{0x0409, u"A"}})});
    collection[8] = collection[9] = collection[10] = '\x7F';  // 2^31-odd faces
    EXPECT_EQ(Read(collection, font), FontError::kBadCollection);
    collection[8] = collection[9] = collection[10] = '\0';
    collection[11] = '\x40';  // 0x40000000 faces: times 4 wraps a 32-bit size
    collection[8] = '\x40';
    EXPECT_EQ(Read(collection, font), FontError::kBadCollection);
    EXPECT_TRUE(font.faces.empty());

    // Faces that all point at one face would each be read again: refused, as are more faces
    // than any collection holds.
    const Face one = WindowsFace({{0x0409, u"A"}});
    std::string twice = fontlist_test::BuildCollection({one, one});
    twice.replace(16, 4, twice.substr(12, 4));
    EXPECT_EQ(Read(twice, font), FontError::kBadCollection);
    const std::vector<Face> most(fontlist::kMaxFaces, one);
    EXPECT_EQ(Read(fontlist_test::BuildCollection(most), font), FontError::kNone);
    EXPECT_EQ(font.faces.size(), fontlist::kMaxFaces);
    std::vector<Face> tooMany = most;
    tooMany.push_back(one);
    EXPECT_EQ(Read(fontlist_test::BuildCollection(tooMany), font), FontError::kBadCollection);

    // A record count that runs past a name table lying wholly inside the file.
    std::string counted = fontlist_test::BuildFont(one);
    const std::size_t name = counted.size() - (6 + 12 + 2);
    counted[name + 3] = 2;
    EXPECT_EQ(Read(counted, font), FontError::kBadNameTable);
}

// The outlines are never read: a font's bytes read stay the directory and the name tables.
TEST(SfntReader, ReadsOnlyTheTablesTheNamesNeed) {
    class Counting : public fontlist::FontData {
      public:
        explicit Counting(std::string bytes) : bytes_(std::move(bytes)) {}
        std::uint64_t Size() const override { return bytes_.size(); }
        bool ReadAt(std::uint64_t offset, std::size_t length, std::string& out) override {
            read += length;
            return fontlist::MemoryFontData(reinterpret_cast<const std::uint8_t*>(bytes_.data()),
                                            bytes_.size())
                .ReadAt(offset, length, out);
        }
        std::size_t read = 0;

      private:
        std::string bytes_;
    };
    const std::string font = fontlist_test::BuildFont(WindowsFace({{0x0409, u"Sample"}}));
    Counting file(font + std::string(1 << 20, '\0'));
    FontFile read;
    ASSERT_EQ(fontlist::ReadFontFile(file, read), FontError::kNone);
    EXPECT_EQ(read.faces[0].names[0].text, u"Sample");
    EXPECT_LT(file.read, 1024u) << "of " << file.Size();
}

// Every prefix of a real font is read without a read past its end (AddressSanitizer watches
// the copy, sized exactly) and either fails or yields faces.
TEST(SfntReader, SurvivesEveryTruncation) {
    const std::string whole = fontlist_test::BuildCollection(
        {WindowsFace({{0x0409, u"First"}, {0x0411, u"最初"}}), WindowsFace({{0x0409, u"B"}})});
    int complete = 0;
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        std::vector<std::uint8_t> copy(whole.data(), whole.data() + size);
        FontFile font;
        const FontError error = fontlist::ReadFontFile(copy.data(), copy.size(), font);
        EXPECT_EQ(error == FontError::kNone, !font.faces.empty()) << size;
        complete += error == FontError::kNone && font.faces[0].names.size() == 2 &&
                    font.faces[0].names[1].text == u"最初";
    }
    EXPECT_GE(complete, 1);
}

TEST(SfntReader, SkipsAStringOutsideTheFileButKeepsTheOthers) {
    std::string bytes =
        fontlist_test::BuildFont(WindowsFace({{0x0411, u"日本語"}, {0x0409, u"English"}}));
    // The name table comes last: two records of 12 bytes, then 6 + 14 bytes of text. The second
    // record's string offset is pointed past the end of the file.
    const std::size_t english = bytes.size() - 20 - 12;
    bytes[english + 10] = '\x7F';
    FontFile font;
    ASSERT_EQ(Read(bytes, font), FontError::kNone);
    ASSERT_EQ(font.faces[0].names.size(), 2u);
    EXPECT_TRUE(font.faces[0].names[0].decoded);
    EXPECT_EQ(font.faces[0].names[0].text, u"日本語");
    EXPECT_FALSE(font.faces[0].names[1].decoded);

    // An odd length leaves the last half unit out: 日本語 stored with length 5 reads 日本.
    bytes[english - 12 + 9] = 5;
    ASSERT_EQ(Read(bytes, font), FontError::kNone);
    EXPECT_EQ(font.faces[0].names[0].text, u"日本");
}

TEST(FamilyChoice, FollowsTheLanguageOrder) {
    struct Case {
        std::vector<std::pair<std::uint16_t, std::u16string>> families;
        std::u16string chosen;
        std::u16string english;
    };
    const Case cases[] = {
        {{{0x0409, u"Sample Gothic"}, {0x0411, u"見本ゴシック"}},
         u"見本ゴシック",
         u"Sample Gothic"},
        {{{0x0409, u"English Only"}}, u"English Only", u""},
        {{{0x0409, u"Same"}, {0x0411, u"Same"}}, u"Same", u""},
        {{{0x0409, u"English"}, {0x0811, u"別の日本語"}}, u"別の日本語", u"English"},
        {{{0x0811, u"別の日本語"}, {0x0411, u"日本語"}}, u"日本語", u""},
        {{{0x040C, u"Francais"}, {0x0409, u"English"}}, u"English", u""},
        {{{0x040C, u"Francais"}, {0x0407, u"Deutsch"}}, u"Francais", u""},
        {{{0x8000, u"Tagged"}, {0x040C, u"Francais"}}, u"Francais", u""},
    };
    for (const Case& c : cases) {
        const fontlist::FamilyName family = Family(WindowsFace(c.families));
        EXPECT_TRUE(family.found);
        EXPECT_EQ(family.family, c.chosen);
        EXPECT_EQ(family.english, c.english);
    }
}

TEST(FamilyChoice, TakesOnlyNameIdOneAndTellsTheTypographicNames) {
    Face face = WindowsFace({{0x0409, u"Sample Gothic Light"}});
    face.names.push_back(Record{3, 1, 0x0409, 16, u"Sample Gothic"});
    face.names.push_back(Record{3, 1, 0x0409, 21, u"Sample WWS"});
    face.names.push_back(Record{3, 1, 0x0411, 17, u"日本語スタイル"});
    const fontlist::FamilyName family = Family(face);
    EXPECT_EQ(family.family, u"Sample Gothic Light");
    EXPECT_EQ(family.typographic, u"Sample Gothic");
    EXPECT_EQ(family.wws, u"Sample WWS");
    EXPECT_EQ(family.ansi, "Sample Gothic Light");
}

TEST(FamilyChoice, TakesMacRecordsOnlyWithoutAWindowsCmap) {
    Face face = WindowsFace({{0x0409, u"Windows Name"}});
    face.names.push_back(Record{1, 0, 0, 1, u"Mac Name"});
    EXPECT_EQ(Family(face).family, u"Windows Name");
    face.cmapPlatforms = {1};
    EXPECT_EQ(Family(face).family, u"Mac Name");
    face.names.erase(face.names.begin() + 1);
    EXPECT_FALSE(Family(face).found);
}

TEST(FamilyChoice, IgnoresLegacyEncodingsAndLanguageTags) {
    Face face;
    face.names = {Record{3, 2, 0x0411, 1, u"ShiftJIS"}, Record{3, 1, 0x8000, 1, u"Tagged"},
                  Record{3, 10, 0x0409, 1, u"Full Unicode"}};
    EXPECT_EQ(Family(face).family, u"Full Unicode");
    // A Unicode-platform record never stands in for a Windows one.
    face.names = {Record{0, 3, 0, 1, u"Unicode"}};
    EXPECT_FALSE(Family(face).found);
}

// Every face but its family's regular one is named by its full name, from what GDI sees of its
// style, whatever its subfamily says: fsSelection and weight, or macStyle without OS/2.
TEST(FamilyChoice, NamesEveryFaceButTheRegularOneByItsFullName) {
    struct Case {
        std::u16string subfamily;
        std::uint16_t fsSelection;
        std::uint16_t weight;
        bool member;
    };
    const Case cases[] = {
        {u"Regular", 0x40, 400, false}, {u"Bold", 0x40, 400, false},  // the words decide nothing
        {u"Light", 0x40, 399, true},    {u"Book", 0x40, 401, true},
        {u"Medium", 0x40, 500, true},   {u"Regular", 0x40, 0, true},
        {u"Oblique", 0x01, 400, true},  {u"Oblique", 0x200, 400, true},
        {u"太字", 0x20, 400, true},     {u"Bold", 0x40, 600, true},  // NanumMyeongjoBold
    };
    for (const Case& c : cases) {
        Face face = WindowsFace({{0x0409, u"Sample"}});
        face.fsSelection = c.fsSelection;
        face.weightClass = c.weight;
        face.names.push_back(Record{3, 1, 0x0411, 2, c.subfamily});
        face.names.push_back(Record{3, 1, 0x0409, 4, u"Sample " + c.subfamily});
        face.names.push_back(Record{3, 1, 0x0411, 4, u"見本 " + c.subfamily});
        const fontlist::FamilyName family = Family(face);
        EXPECT_EQ(family.ansi, "Sample");
        EXPECT_EQ(family.member, c.member) << c.fsSelection << " " << c.weight;
        // The full name follows the family's language order: Japanese first.
        EXPECT_EQ(family.fullName.full, u"見本 " + c.subfamily);
        EXPECT_EQ(fontlist::FaceNameToWrite(family),
                  c.member ? fontlist::ToCp932(u"見本 " + c.subfamily) : "Sample");
    }

    // A face with only its family's name (no subfamily, no full name) has no other name to go
    // by: the family, bold or not. With a subfamily it is "Family Subfamily".
    Face bare = WindowsFace({{0x0409, u"Bare"}});
    bare.fsSelection = 0x20;
    EXPECT_FALSE(Family(bare).member);
    EXPECT_EQ(fontlist::FaceNameToWrite(Family(bare)), "Bare");
    bare.names.push_back(Record{3, 1, 0x0409, 2, u"Bold"});
    EXPECT_EQ(fontlist::FaceNameToWrite(Family(bare)), "Bare Bold");

    // Without OS/2, head's bits decide; without a full name, family and subfamily make one.
    Face old = WindowsFace({{0x0409, u"Old"}});
    old.os2 = false;
    old.names.push_back(Record{3, 1, 0x0409, 2, u"Italic"});
    EXPECT_FALSE(Family(old).member);
    old.macStyle = 2;
    const fontlist::FamilyName italic = Family(old);
    EXPECT_TRUE(italic.member);
    EXPECT_EQ(italic.fullName.ansi, "Old Italic");
}

// elfFullName holds 63 units, lfFaceName 31 (the 63 bytes of the "A" calls: checks_test).
TEST(FamilyChoice, CutsFullNamesAt63) {
    const std::u16string latin(64, u'F');
    Face face = WindowsFace({{0x0409, u"Sample"}});
    face.fsSelection = 0x20;
    face.names.push_back(Record{3, 1, 0x0409, 4, latin.substr(0, 63)});
    fontlist::GdiName full = Family(face).fullName;
    EXPECT_FALSE(full.cut);
    EXPECT_EQ(full.ansi, std::string(63, 'F'));
    face.names.back().text = latin;
    full = Family(face).fullName;
    EXPECT_TRUE(full.cut);
    EXPECT_EQ(full.ansi, std::string(63, 'F'));
}

TEST(FamilyChoice, CutsAt31UnitsAndConvertsWholeCharacters) {
    const std::u16string forty = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    const fontlist::FamilyName latin = Family(WindowsFace({{0x0409, forty}}));
    EXPECT_TRUE(latin.cut);
    EXPECT_EQ(latin.full, forty);
    EXPECT_EQ(latin.family, forty.substr(0, 31));
    EXPECT_EQ(latin.ansi, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    const fontlist::FamilyName exact = Family(WindowsFace({{0x0409, forty.substr(0, 31)}}));
    EXPECT_FALSE(exact.cut);
    EXPECT_EQ(exact.ansi, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");

    // Sixteen double-byte characters need 32 bytes; the buffer keeps 31 and its terminator.
    const fontlist::FamilyName kana =
        Family(WindowsFace({{0x0411, u"あいうえおかきくけこさしすせそた"}}));
    EXPECT_FALSE(kana.cut);
    EXPECT_TRUE(kana.bytesCut);
    EXPECT_FALSE(latin.bytesCut);
    EXPECT_EQ(kana.ansi, "あいうえおかきくけこさしすせそ");
    EXPECT_EQ(fontlist::AnsiFaceName(u"Aあいうえおかきくけこさしすせそ"),
              "Aあいうえおかきくけこさしすせそ");
}

TEST(FamilyChoice, MarksCharactersWithoutACp932Form) {
    const fontlist::FamilyName hangul = Family(WindowsFace({{0x0409, u"Sample 한 Sans"}}));
    EXPECT_TRUE(hangul.lossy);
    EXPECT_EQ(hangul.firstLossy, u'\uD55C');
    EXPECT_EQ(hangul.ansi, "Sample ? Sans");
    const fontlist::FamilyName accent = Family(WindowsFace({{0x0409, u"Café"}}));
    EXPECT_TRUE(accent.lossy);
    EXPECT_EQ(accent.ansi, "Cafe");  // the system's best fit
    EXPECT_FALSE(Family(WindowsFace({{0x0411, u"見本"}})).lossy);
    // A pair of surrogates is one character, named by its code point.
    EXPECT_EQ(Family(WindowsFace({{0x0411, u"見本\U00020B9F"}})).firstLossy, U'\U00020B9F');
}

TEST(FamilyChoice, SeesTheVerticalFamilyFromCjkCodePages) {
    Face face = WindowsFace({{0x0409, u"Latin"}});
    EXPECT_FALSE(Family(face).vertical);
    for (int bit = 17; bit <= 21; ++bit) {
        face.codePages1 = 1u << bit;
        EXPECT_TRUE(Family(face).vertical) << bit;
    }
}

TEST(Cp932Table, ConvertsAsTheSystemDoes) {
    EXPECT_EQ(fontlist::ToCp932(u"Aあ漢ｱ"), "A\x82\xA0\x8A\xBF\xB1");
    // Characters where other converters disagree with Windows.
    EXPECT_EQ(fontlist::ToCp932(u"\uFF5E\u2225\uFFE0"), "\x81\x60\x81\x61\x81\x91");
    const fontlist::UnitConversion yen = fontlist::ConvertUnit(u'\u00A5');
    EXPECT_EQ(yen.bytes, "\\");
    EXPECT_FALSE(yen.exact);
    EXPECT_FALSE(yen.usedDefault);
    const fontlist::UnitConversion none = fontlist::ConvertUnit(u'\uAC00');
    EXPECT_EQ(none.bytes, "?");
    EXPECT_TRUE(none.usedDefault);
    EXPECT_EQ(fontlist::ToCp932(u"\U0002000B"), "??");
}

TEST(Cp932Table, ReadsBackEveryExactCharacter) {
    int exact = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        const fontlist::UnitConversion c = fontlist::ConvertUnit(static_cast<char16_t>(u));
        if (!c.exact) {
            continue;
        }
        ++exact;
        bool valid = false;
        ASSERT_EQ(fontlist::FromCp932(c.bytes, &valid), std::u16string(1, char16_t(u))) << u;
        ASSERT_TRUE(valid);
    }
    EXPECT_GT(exact, 7000);  // JIS X 0208 and the vendor extensions
    // NEC-selected IBM extensions read as the IBM ones and are written back as those.
    EXPECT_EQ(fontlist::FromCp932("\xED\x40"), u"\u7E8A");
    EXPECT_EQ(fontlist::ToCp932(u"\u7E8A"), "\xFA\x5C");
    bool valid = true;
    EXPECT_EQ(fontlist::FromCp932("\x85\x40z\x81", &valid), u"\uFFFD@z\uFFFD");
    EXPECT_FALSE(valid);
}

TEST(Utf8, RoundTripsAndRejectsMalformedSequences) {
    const std::u16string text = u"Aé日本\U0002000B";
    bool valid = false;
    EXPECT_EQ(fontlist::FromUtf8(fontlist::ToUtf8(text), &valid), text);
    EXPECT_TRUE(valid);
    for (const std::string bad :
         {"\xC0\xAF", "\xED\xA0\x80", "\xE6\x97", "\xF4\x90\x80\x80", "\x80"}) {
        valid = true;
        EXPECT_NE(fontlist::FromUtf8(bad, &valid).find(u'\uFFFD'), std::u16string::npos);
        EXPECT_FALSE(valid);
    }
    EXPECT_EQ(fontlist::ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

}  // namespace

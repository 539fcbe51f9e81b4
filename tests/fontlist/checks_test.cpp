// `fontlist check` and `make` over FontList.txt contents and built fonts held in memory; the
// command itself is tested on a real folder by cli_test.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "catalogue/font_list.h"
#include "fontlist/checks.h"
#include "fontlist/cli.h"
#include "fontlist/make.h"
#include "sfnt_builder.h"

namespace {

using fontlist::CheckResult;
using fontlist::Finding;
using fontlist_test::WindowsFace;

class Fonts : public fontlist::FontSource {
  public:
    bool Read(const std::string& fileName, std::string& bytes) override {
        const auto file = files.find(fileName);
        if (file == files.end()) {
            return false;
        }
        bytes = file->second;
        return true;
    }
    std::map<std::string, std::string> files;
};

// A package with a font of each kind the checks tell apart.
class FontListCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        fonts_.files["mihon.ttf"] = fontlist_test::BuildFont(
            WindowsFace({{0x0409, u"Sample Gothic"}, {0x0411, u"見本ゴシック"}}));
        fontlist_test::Face typographic = WindowsFace({{0x0409, u"Sample Mincho Light"}});
        typographic.names.push_back(fontlist_test::Record{3, 1, 0x0409, 16, u"Sample Mincho"});
        fonts_.files["mincho.ttf"] = fontlist_test::BuildFont(typographic);
        fonts_.files["long.ttf"] = fontlist_test::BuildFont(
            WindowsFace({{0x0409, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd"}}));
        fonts_.files["wide.ttf"] =
            fontlist_test::BuildFont(WindowsFace({{0x0411, u"見本見本見本見本見本見本見本見本"}}));
        fonts_.files["hangul.ttf"] =
            fontlist_test::BuildFont(WindowsFace({{0x0409, u"Sample 한"}}));
        fonts_.files["pair.ttc"] = fontlist_test::BuildCollection(
            {WindowsFace({{0x0411, u"見本一"}}), WindowsFace({{0x0411, u"見本二"}})});
        fontlist_test::Face cff = WindowsFace({{0x0409, u"Sample Sans"}});
        cff.cff = true;
        fonts_.files["sans.otf"] = fontlist_test::BuildFont(cff);
        fonts_.files["text.ttf"] = "not a font at all";
        // A family shipped as Regular and Bold, both name ID 1 "Sample Serif".
        fonts_.files["serif.ttf"] = fontlist_test::BuildFont(Member(u"Regular", 0x40));
        fonts_.files["serifb.ttf"] = fontlist_test::BuildFont(Member(u"Bold", 0x20));
    }

    static fontlist_test::Face Member(const std::u16string& subfamily, std::uint16_t bits) {
        fontlist_test::Face face = WindowsFace({{0x0409, u"Sample Serif"}});
        face.fsSelection = bits;
        face.names.push_back(fontlist_test::Record{3, 1, 0x0409, 2, subfamily});
        face.names.push_back(fontlist_test::Record{3, 1, 0x0409, 4, u"Sample Serif " + subfamily});
        return face;
    }

    std::vector<Finding> Check(const std::string& contents) {
        return fontlist::CheckFontList(contents, fonts_, nullptr).findings;
    }

    // The one finding a single-line file gives, as "line:error|warning:message".
    static bool Has(const std::vector<Finding>& findings, int line, bool error,
                    const std::string& part) {
        for (const Finding& finding : findings) {
            if (finding.line == line && finding.error == error &&
                finding.message.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    Fonts fonts_;
};

TEST_F(FontListCheck, AcceptsTheNamesWindowsEnumerates) {
    const std::vector<Finding> findings =
        Check("見本ゴシック,mihon.ttf\r\nSample Mincho Light,mincho.ttf\r\n見本二,pair.ttc\r\n");
    EXPECT_TRUE(findings.empty()) << fontlist::FormatFinding(findings[0]);
}

TEST_F(FontListCheck, NamesTheFamilyToWriteInstead) {
    const std::vector<Finding> findings = Check(
        "Sample Gothic,mihon.ttf\r\nSample Mincho,mincho.ttf\r\n"
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd,long.ttf\r\nOther,pair.ttc\r\n"
        "@見本ゴシック,mihon.ttf\r\n見本見本見本見本見本見本見本見本,wide.ttf\r\n");
    EXPECT_TRUE(Has(findings, 1, true, "英語名「Sample Gothic」"));
    EXPECT_TRUE(Has(findings, 1, true, "「見本ゴシック」です"));
    EXPECT_TRUE(Has(findings, 2, true, "名前ID 16"));
    EXPECT_TRUE(Has(findings, 2, true, "「Sample Mincho Light」です"));
    EXPECT_TRUE(Has(findings, 3, true, "31文字で切り詰めます"));
    EXPECT_TRUE(Has(findings, 3, true, "「ABCDEFGHIJKLMNOPQRSTUVWXYZ01234」です"));
    EXPECT_TRUE(Has(findings, 4, true, "一致しません"));
    EXPECT_TRUE(Has(findings, 5, true, "縦書き用"));
    EXPECT_TRUE(Has(findings, 6, true, "「見本見本見本見本見本見本見本見」です"));
}

TEST_F(FontListCheck, WarnsAboutNamesWindowsChanges) {
    const std::vector<Finding> findings = Check(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234,long.ttf\r\nSample ?,hangul.ttf\r\n"
        "Sample Sans,sans.otf\r\n見本見本見本見本見本見本見本見,wide.ttf\r\n");
    ASSERT_EQ(findings.size(), 4u);
    EXPECT_TRUE(Has(findings, 4, false, "31バイトを超える"));
    EXPECT_TRUE(Has(findings, 1, false, "31文字に切り詰めた"));
    EXPECT_TRUE(Has(findings, 2, false, "U+D55C"));
    EXPECT_TRUE(Has(findings, 3, false, "Windows 95/98/Me/NT 4.0"));
    EXPECT_FALSE(fontlist::CheckResult{findings}.HasError());
}

TEST_F(FontListCheck, FindsFilesTheInstallerCannotUse) {
    std::vector<Finding> findings = Check("A,missing.ttf\r\nB,text.ttf\r\nC,a:b.ttf\r\nD,..\r\nE," +
                                          std::string(250, 'x') + ".ttf\r\n");
    EXPECT_TRUE(Has(findings, 1, true, "見つかりません"));
    EXPECT_TRUE(Has(findings, 2, true, "フォントとして読めません"));
    EXPECT_TRUE(Has(findings, 3, true, "コピーを拒否します"));
    EXPECT_TRUE(Has(findings, 4, true, "コピーを拒否します"));
    EXPECT_TRUE(Has(findings, 5, true, "長すぎる"));

    // "C:\WINDOWS\Fonts\" and the name: 259 bytes are copied, 260 are not.
    findings = Check("A," + std::string(242 - 4, 'x') + ".ttf\r\nB," + std::string(243 - 4, 'x') +
                     ".ttf\r\nC,sub\\missing.ttf\r\n");
    EXPECT_FALSE(Has(findings, 1, true, "長すぎる"));
    EXPECT_TRUE(Has(findings, 2, true, "長すぎる"));
    EXPECT_TRUE(Has(findings, 3, true, "見つかりません"));

    // A device's name, with or without an extension, is reported on its line; a longer name is
    // no device.
    findings = Check("A,sub\\con.ttf\r\nB,LPT9\r\nC,console.ttf\r\nD,com0.otf\r\nE,COM10\r\n");
    EXPECT_TRUE(Has(findings, 1, true, "装置名"));
    EXPECT_TRUE(Has(findings, 2, true, "装置名"));
    EXPECT_FALSE(Has(findings, 3, true, "装置名"));
    EXPECT_TRUE(Has(findings, 4, true, "COM0～COM9、LPT0～LPT9"));
    EXPECT_FALSE(Has(findings, 5, true, "装置名"));
}

TEST_F(FontListCheck, FindsRepeatedFacesAndCollections) {
    std::vector<Finding> findings = Check(
        "見本ゴシック,mihon.ttf\r\n見本ゴシック,MIHON.TTF\r\n見本一,pair.ttc\r\n"
        "見本二,pair.ttc\r\n");
    EXPECT_TRUE(Has(findings, 2, true, "1行目にもあります"));
    EXPECT_TRUE(Has(findings, 2, true, "フォントファイル「MIHON.TTF」は1行目"));
    EXPECT_TRUE(Has(findings, 4, true, "同じ .ttc ファイル「pair.ttc」が3行目"));
    EXPECT_FALSE(Has(findings, 3, true, ""));

    // ア (83 41) and ヂ (83 61) differ only in a trail byte that is an ASCII letter.
    findings = Check("A,\x83\x41.ttf\r\nB,\x83\x61.ttf\r\n");
    EXPECT_TRUE(Has(findings, 2, true, "見つかりません"));
    EXPECT_FALSE(Has(findings, 2, true, "にもあります"));
}

TEST_F(FontListCheck, ReadsTheFileAsTheInstallerDoes) {
    // A BOM stays in the first face name, so the first line also names no family.
    std::vector<Finding> findings = Check("\xEF\xBB\xBFSample Sans,sans.otf\r\n");
    EXPECT_TRUE(Has(findings, 1, true, "BOM"));
    EXPECT_TRUE(Has(findings, 1, true, "一致しません"));

    // 見本ゴシック in UTF-8
    findings = Check(
        "\xE8\xA6\x8B\xE6\x9C\xAC\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF,mihon.ttf\r\n");
    EXPECT_TRUE(Has(findings, 1, true, "UTF-8"));

    // ﾃｽﾄｱ (C3 BD C4 B1) is valid UTF-8 too; the font's name says it was written as CP932.
    fonts_.files["a.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0411, u"ﾃｽﾄｱ"}}));
    findings = Check("\xC3\xBD\xC4\xB1,a.ttf\r\n");
    EXPECT_TRUE(findings.empty()) << fontlist::FormatFinding(findings[0]);

    findings = Check("\x85\x40,mihon.ttf\r\n");  // a pair no character has
    EXPECT_TRUE(Has(findings, 1, true, "読めない文字"));

    findings = Check("# fonts\r\n\r\n   \r\nSample Sans\r\nSample Sans,sans.otf,extra\r\n");
    EXPECT_TRUE(Has(findings, 1, false, "読み飛ばされます"));
    EXPECT_FALSE(Has(findings, 2, false, ""));
    EXPECT_FALSE(Has(findings, 3, false, ""));
    EXPECT_TRUE(Has(findings, 4, false, "読み飛ばされます"));
    EXPECT_TRUE(Has(findings, 5, false, "読み飛ばされます"));

    // Ctrl+Z ends a file read in text mode; what follows is never seen.
    findings = Check(
        "Sample Sans,sans.otf\r\n\x1A"
        "B,missing.ttf\r\n");
    EXPECT_EQ(findings.size(), 1u);
    // The reader stops at a NUL: here the file name becomes "sans.o".
    const char withNul[] = "Sample Sans,sans.o\0tf\r\n";
    findings = Check(std::string(withNul, sizeof withNul - 1));
    EXPECT_TRUE(Has(findings, 1, false, "NUL"));
    EXPECT_TRUE(Has(findings, 1, true, "「sans.o」が見つかりません"));
}

// Files the installer reads no font from are no list, whatever else they hold.
TEST_F(FontListCheck, FindsAListWithoutAnyEntry) {
    EXPECT_TRUE(Has(Check(""), 1, true, "1行もありません"));
    EXPECT_TRUE(Has(Check("# none\r\n"), 1, true, "1行もありません"));
    const char utf16[] = "S\0a\0m\0,\0s\0.\0t\0t\0f\0\r\0\n\0";
    for (const std::string& contents : {std::string(utf16, sizeof utf16 - 1),
                                        "\xFF\xFE" + std::string(utf16, sizeof utf16 - 1)}) {
        const std::vector<Finding> findings = Check(contents);
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_TRUE(Has(findings, 1, true, "UTF-16"));
    }
}

TEST_F(FontListCheck, TakesTheNameTheReaderKeepsFromASpacedFamily) {
    fonts_.files["lead.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u" Lead "}}));
    const std::vector<Finding> findings = Check("Lead,lead.ttf\r\n");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_TRUE(Has(findings, 1, false, "前後に空白"));
    // make writes the trimmed name and says so, as a warning; a line end inside a name leaves
    // its file out, also with a warning.
    fonts_.files["break.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u"Line\nEnd"}}));
    // DEL too, as in the webfont builds of Roboto Condensed (family ".\x7F").
    fonts_.files["delete.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u".\x7F"}}));
    // And a face with a Windows cmap but Macintosh names only (UKIJ_MacBasma) has no name the
    // system takes.
    fontlist_test::Face mac = WindowsFace({});
    mac.names = {fontlist_test::Record{1, 0, 0, 1, u"Mac Only"}};
    fonts_.files["mac.ttf"] = fontlist_test::BuildFont(mac);
    fontlist::FontFiles files(fonts_);
    const fontlist::MadeFontList made =
        fontlist::MakeFontList({"break.ttf", "delete.ttf", "lead.ttf", "mac.ttf"}, files);
    EXPECT_EQ(made.contents, "Lead,lead.ttf\r\n");
    ASSERT_EQ(made.notes.size(), 4u);
    EXPECT_NE(made.notes[3].message.find("名前ID 1）がない"), std::string::npos);
    EXPECT_NE(made.notes[0].message.find("制御文字"), std::string::npos);
    EXPECT_NE(made.notes[1].message.find("制御文字"), std::string::npos);
    EXPECT_NE(made.notes[2].message.find("前後に空白"), std::string::npos);
    EXPECT_FALSE(made.HasError());
}

TEST_F(FontListCheck, NamesACharacterOutsideTheBmpByItsCodePoint) {
    fonts_.files["shikaru.ttf"] =
        fontlist_test::BuildFont(WindowsFace({{0x0411, u"見本\U00020B9F"}}));
    EXPECT_TRUE(Has(Check("見本??,shikaru.ttf\r\n"), 1, false, "U+20B9F "));
}

TEST_F(FontListCheck, WritesAndAcceptsEachMemberOfAFamilyByItsOwnName) {
    fontlist::FontFiles files(fonts_);
    const fontlist::MadeFontList made = fontlist::MakeFontList({"serif.ttf", "serifb.ttf"}, files);
    EXPECT_EQ(made.contents, "Sample Serif,serif.ttf\r\nSample Serif Bold,serifb.ttf\r\n");
    // A full name that differs from the family is no change the reader makes: no note.
    EXPECT_TRUE(made.notes.empty());
    EXPECT_TRUE(fontlist::CheckFontList(made.contents, files, nullptr).findings.empty());

    // The Bold under the family's name, alone or after the regular face: the installer would
    // take it for the installed regular face and replace it.
    for (const std::string& contents :
         {std::string("Sample Serif,serifb.ttf\r\n"),
          std::string("Sample Serif,serif.ttf\r\nSample Serif,serifb.ttf\r\n")}) {
        const std::vector<Finding> findings = Check(contents);
        const int line = contents.size() > 30 ? 2 : 1;
        EXPECT_TRUE(Has(findings, line, true, "フル ネームの「Sample Serif Bold」と書いて"));
    }
    // And the regular face is no member: its family is what it must say.
    EXPECT_TRUE(Has(Check("Sample Serif Regular,serif.ttf\r\n"), 1, true, "「Sample Serif」です"));
}

// An .otf and a .ttf of one face: Windows loads only one of them.
TEST_F(FontListCheck, MakeWritesOneLineForTheSameFontInTwoFiles) {
    fonts_.files["serif.otf"] = fonts_.files["serif.ttf"];
    fonts_.files["other.ttf"] = fontlist_test::BuildFont(Member(u"Italic", 0x40));
    fontlist::FontFiles files(fonts_);
    const fontlist::MadeFontList same = fontlist::MakeFontList({"serif.otf", "serif.ttf"}, files);
    EXPECT_EQ(same.contents, "Sample Serif,serif.otf\r\n");
    ASSERT_EQ(same.notes.size(), 1u);
    EXPECT_FALSE(same.HasError());
    EXPECT_NE(same.notes[0].message.find("「serif.ttf」は「serif.otf」と同じフォント"),
              std::string::npos);
    EXPECT_TRUE(Has(Check("Sample Serif,serif.otf\r\nSample Serif,serif.ttf\r\n"), 2, true,
                    "1行目にもあります"));

    // One family name, two faces GDI tells apart by their full names: no line can be right.
    const fontlist::MadeFontList two = fontlist::MakeFontList({"other.ttf", "serif.ttf"}, files);
    EXPECT_EQ(two.contents, "Sample Serif,other.ttf\r\n");
    EXPECT_TRUE(two.HasError());
}

// The family's name belongs to the face the system gives at normal weight, upright; a Medium of
// the same name ID 1 is another face, wherever it comes among the files.
TEST_F(FontListCheck, GivesAFamilysNameToItsRegularFaceAlone) {
    const auto weighing = [](const std::u16string& subfamily, std::uint16_t weight,
                             const std::u16string& full) {
        fontlist_test::Face face = Member(subfamily, 0x40);
        face.weightClass = weight;
        face.names.back().text = full;
        return fontlist_test::BuildFont(face);
    };
    fonts_.files["medium.ttf"] = weighing(u"Medium", 500, u"Sample Serif Medium");
    fonts_.files["light.ttf"] = weighing(u"Light", 400, u"Sample Serif Light");
    fonts_.files["upper.ttf"] = weighing(u"Regular", 400, u"SAMPLE SERIF REGULAR");
    fontlist_test::Face italic = Member(u"Italic", 0x01);
    italic.names.back().text = u"Sample Serif";  // its full name is the family's
    fonts_.files["italic.ttf"] = fontlist_test::BuildFont(italic);
    fontlist::FontFiles files(fonts_);

    const fontlist::MadeFontList made =
        fontlist::MakeFontList({"medium.ttf", "serif.ttf", "serifb.ttf"}, files);
    EXPECT_EQ(made.contents,
              "Sample Serif Medium,medium.ttf\r\nSample Serif,serif.ttf\r\n"
              "Sample Serif Bold,serifb.ttf\r\n");
    EXPECT_TRUE(made.notes.empty());
    // The Medium under the family's name would be taken for the installed Regular.
    EXPECT_TRUE(Has(Check("Sample Serif,medium.ttf\r\n"), 1, true,
                    "フル ネームの「Sample Serif Medium」と書いて"));

    // A Light that says weight 400 is the same face to the system as the Regular: an error on
    // the later file, never two lines of one name.
    const fontlist::MadeFontList light = fontlist::MakeFontList({"serif.ttf", "light.ttf"}, files);
    EXPECT_EQ(light.contents, "Sample Serif,serif.ttf\r\n");
    ASSERT_EQ(light.notes.size(), 1u);
    EXPECT_TRUE(light.notes[0].error);
    EXPECT_NE(light.notes[0].message.find("「light.ttf」と「serif.ttf」はどちらも"),
              std::string::npos);
    // Full names that differ in case only are one face to the system: one line, no error.
    const fontlist::MadeFontList upper = fontlist::MakeFontList({"upper.ttf", "serif.ttf"}, files);
    EXPECT_EQ(upper.contents, "Sample Serif,upper.ttf\r\n");
    ASSERT_EQ(upper.notes.size(), 1u);
    EXPECT_FALSE(upper.HasError());

    // An italic whose full name is the family's: alone it is written, with a warning from both
    // commands; beside the regular face, that face keeps the name though it comes later.
    const fontlist::MadeFontList alone = fontlist::MakeFontList({"italic.ttf"}, files);
    EXPECT_EQ(alone.contents, "Sample Serif,italic.ttf\r\n");
    ASSERT_EQ(alone.notes.size(), 1u);
    EXPECT_FALSE(alone.notes[0].error);
    EXPECT_TRUE(Has(Check(alone.contents), 1, false, "通常のフェイスと取り違えます"));
    const fontlist::MadeFontList both = fontlist::MakeFontList({"italic.ttf", "serif.ttf"}, files);
    EXPECT_EQ(both.contents, "Sample Serif,serif.ttf\r\n");
    ASSERT_EQ(both.notes.size(), 2u);
    EXPECT_TRUE(both.notes[1].error);
    EXPECT_NE(both.notes[1].message.find("「italic.ttf」の名前「Sample Serif」は「serif.ttf」"),
              std::string::npos);

    // A member whose family ends in a space, listed under the family as the reader trims it.
    fontlist_test::Face spaced = Member(u"Bold", 0x20);
    spaced.names.front().text = u"Sample Serif ";
    fonts_.files["spaced.ttf"] = fontlist_test::BuildFont(spaced);
    EXPECT_TRUE(Has(Check("Sample Serif,spaced.ttf\r\n"), 1, true,
                    "フル ネームの「Sample Serif Bold」と書いて"));

    // A collection's second face, a member whose full name ends in a space, is still a full name.
    fontlist_test::Face second = Member(u"Bold", 0x20);
    second.names.back().text = u"Sample Serif Bold ";
    fonts_.files["two.ttc"] =
        fontlist_test::BuildCollection({WindowsFace({{0x0411, u"見本一"}}), second});
    EXPECT_TRUE(Has(Check("Sample Serif Bold,two.ttc\r\n"), 1, false,
                    "フォントのフル ネーム「Sample Serif Bold 」には前後に空白"));
}

// The full name of a member is cut where elfFullName cuts it, at 63 bytes, and only there.
TEST_F(FontListCheck, WarnsWhereWindowsCutsAFullName) {
    for (std::size_t kana : {31, 32}) {
        fontlist_test::Face face = Member(u"Bold", 0x20);
        face.names.back().text = u"A" + std::u16string(kana, u'あ');
        fonts_.files["long.ttf"] = fontlist_test::BuildFont(face);
        fontlist::FontFiles files(fonts_);
        const fontlist::MadeFontList made = fontlist::MakeFontList({"long.ttf"}, files);
        const std::vector<Finding> findings = Check(made.contents);
        EXPECT_EQ(made.lines[0].size(), 1 + 62 + 9u);
        EXPECT_EQ(Has(findings, 1, false, "63バイトを超える"), kana == 32) << kana;
        EXPECT_EQ(findings.size(), kana == 32 ? 1u : 0u);
    }
}

TEST_F(FontListCheck, ReportsLinesSplitAt255Bytes) {
    // 254 bytes and the line end are one piece; one byte more leaves only the end for the next.
    const std::string name254 = std::string(254 - 9, 'N') + ",sans.otf";
    const std::string name300 = std::string(300 - 9, 'N') + ",sans.otf";
    std::vector<Finding> findings = Check(name254 + "\r\n" + name254 + "x\r\n" + name300 + "\r\n");
    EXPECT_FALSE(Has(findings, 1, true, "255バイト"));
    EXPECT_FALSE(Has(findings, 2, true, "255バイト"));
    EXPECT_TRUE(Has(findings, 3, true, "255バイト"));
    EXPECT_EQ(fontlist::FormatFinding(Finding{3, true, "x"}), "FontList.txt:3: error: x");
    EXPECT_EQ(fontlist::FormatFinding(Finding{12, false, "y"}), "FontList.txt:12: warning: y");
}

TEST_F(FontListCheck, AsksTheSystemWhenThereIsOne) {
    class System : public fontlist::SystemFonts {
      public:
        fontlist::SystemAnswer Faces(const std::string& fileName, const std::string&,
                                     std::vector<fontlist::SystemFace>& faces) override {
            if (fileName == "sans.otf" || fileName == "pair.ttc") {
                return fileName == "sans.otf" ? fontlist::SystemAnswer::kRefused
                                              : fontlist::SystemAnswer::kKnown;
            }
            faces = fileName == "mihon.ttf"
                        ? std::vector<fontlist::SystemFace>{{"見本ゴシック", "見本ゴシック"},
                                                            {"@見本ゴシック", "@見本ゴシック"}}
                        : std::vector<fontlist::SystemFace>{{"Other", "Other"}, {"@Other", ""}};
            return fontlist::SystemAnswer::kAdded;
        }
        unsigned CodePage() override { return codePage; }
        unsigned codePage = 932;
    } system;
    const CheckResult result = fontlist::CheckFontList(
        "見本ゴシック,mihon.ttf\r\nSample Mincho Light,mincho.ttf\r\n", fonts_, &system);
    EXPECT_EQ(result.systemChecked, 2);
    EXPECT_EQ(result.systemAgreed, 1);
    ASSERT_EQ(result.findings.size(), 1u);
    EXPECT_EQ(result.findings[0].line, 2);
    EXPECT_NE(result.findings[0].message.find("「Other」として列挙"), std::string::npos);

    // A font the system will not load is one the installer cannot install; one it has already
    // tells nothing.
    const CheckResult refused =
        fontlist::CheckFontList("Sample Sans,sans.otf\r\n見本一,pair.ttc\r\n", fonts_, &system);
    EXPECT_EQ(refused.systemChecked, 1);
    EXPECT_TRUE(Has(refused.findings, 1, true, "「sans.otf」を読み込めない"));
    EXPECT_EQ(std::count_if(refused.findings.begin(), refused.findings.end(),
                            [](const Finding& f) { return f.error; }),
              1);

    // Another code page compares names in other bytes: only the file checks remain.
    system.codePage = 1252;
    const CheckResult skipped =
        fontlist::CheckFontList("見本ゴシック,mihon.ttf\r\nX,missing.ttf\r\n", fonts_, &system);
    EXPECT_TRUE(skipped.systemSkipped);
    EXPECT_EQ(skipped.systemChecked, 0);
    EXPECT_TRUE(Has(skipped.findings, 2, true, "見つかりません"));
}

// A Bold member is confirmed by the full name the system reports for it.
TEST_F(FontListCheck, AsksTheSystemForTheFullNameOfAMember) {
    class System : public fontlist::SystemFonts {
      public:
        fontlist::SystemAnswer Faces(const std::string&, const std::string&,
                                     std::vector<fontlist::SystemFace>& faces) override {
            faces = {{"Sample Serif", "Sample Serif Bold"}};
            return fontlist::SystemAnswer::kAdded;
        }
        unsigned CodePage() override { return 932; }
    } system;
    const CheckResult result = fontlist::CheckFontList(
        "Sample Serif Bold,serifb.ttf\r\nSample Serif Black,serif.ttf\r\n", fonts_, &system);
    EXPECT_EQ(result.systemAgreed, 1);
    EXPECT_TRUE(
        Has(result.findings, 2, true, "「Sample Serif」（フル ネーム「Sample Serif Bold」）"));
}

TEST_F(FontListCheck, MakeWritesTheFirstFaceFamilyOfEachFont) {
    fonts_.files["comma.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u"A, \"B\""}}));
    fonts_.files["quote.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u"Q \"R\""}}));
    fontlist::FontFiles files(fonts_);
    const fontlist::MadeFontList made = fontlist::MakeFontList(
        {"comma.ttf", "mihon.ttf", "pair.ttc", "quote.ttf", "sans.otf", "text.ttf"}, files);
    EXPECT_EQ(made.contents,
              "\"A, \"\"B\"\"\",comma.ttf\r\n見本ゴシック,mihon.ttf\r\n見本一,pair.ttc\r\n"
              "\"Q \"\"R\"\"\",quote.ttf\r\nSample Sans,sans.otf\r\n");
    FontEntry quoted;
    ASSERT_TRUE(FontListLineParser().Parse((made.lines[3] + "\n").c_str(), quoted));
    EXPECT_EQ(quoted.fontName, "Q \"R\"");
    ASSERT_EQ(made.notes.size(), 1u);
    EXPECT_NE(made.notes[0].message.find("text.ttf"), std::string::npos);
    EXPECT_FALSE(made.HasError());  // a file that is no font may lie in any folder
    // What make writes, check accepts, warnings aside.
    EXPECT_FALSE(fontlist::CheckFontList(made.contents, fonts_, nullptr).HasError());
}

TEST_F(FontListCheck, MakeLeavesOutAFileWithAnEmptyName) {
    fonts_.files["blank.ttf"] = fontlist_test::BuildFont(WindowsFace({{0x0409, u"  "}}));
    fontlist::FontFiles files(fonts_);
    const fontlist::MadeFontList made = fontlist::MakeFontList({"blank.ttf", "sans.otf"}, files);
    EXPECT_EQ(made.contents, "Sample Sans,sans.otf\r\n");
    ASSERT_EQ(made.notes.size(), 1u);
    EXPECT_TRUE(made.notes[0].error);
    EXPECT_TRUE(made.HasError());
    EXPECT_TRUE(Has(Check("X,blank.ttf\r\n"), 1, true, "空か空白だけ"));
}

// The command over a folder held in memory: its exit code follows the list it wrote.
TEST_F(FontListCheck, MakeExitsOneWhenItsListHasAnError) {
    class Folder : public fontlist::Host {
      public:
        explicit Folder(Fonts& fonts) : fonts_(fonts) {}
        bool Read(const std::string& name, std::string& bytes) override {
            return fonts_.Read(name, bytes);
        }
        bool List(std::vector<std::string>& names) override {
            for (const auto& file : fonts_.files) {
                names.push_back(file.first);
            }
            return true;
        }
        bool Exists(const std::string& name) override { return fonts_.files.count(name) > 0; }
        bool FolderExists() override { return true; }
        std::string FolderName() override { return "."; }
        bool Write(const std::string& name, const std::string& bytes) override {
            fonts_.files[name] = bytes;
            return true;
        }
        void Print(const std::string&) override {}
        fontlist::SystemFonts* System() override { return nullptr; }

      private:
        Fonts& fonts_;
    };
    Fonts package;
    package.files["sans.otf"] = fonts_.files["sans.otf"];
    Folder folder(package);
    EXPECT_EQ(fontlist::RunFontList({"make"}, folder), 0);
    package.files[std::string(243 - 4, 'x') + ".ttf"] = fonts_.files["mihon.ttf"];
    EXPECT_EQ(fontlist::RunFontList({"make", "--force"}, folder), 1);
    EXPECT_EQ(fontlist::RunFontList({"check"}, folder), 1);
}

}  // namespace

#include "catalogue/font_list.h"

#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "platform/win_constants.h"

namespace {

using Fields = std::vector<std::string>;

Fields Split(const std::string& line) {
    Fields fields{"left over"};
    SplitCsvLine(line, fields);
    return fields;
}

// The reader's whole table of examples: the line, then the fields it splits into.
struct SplitCase {
    std::string line;
    Fields fields;
};

class SplitCsvLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCsvLineTest, SplitsAsTheFileFormatSays) {
    EXPECT_EQ(Split(GetParam().line), GetParam().fields) << "line: " << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SplitCsvLineTest,
    ::testing::Values(
        SplitCase{"Sample Gothic,sgothic.ttf", {"Sample Gothic", "sgothic.ttf"}},
        SplitCase{"  Sample Mincho ,  smincho.ttc  ", {"  Sample Mincho ", "  smincho.ttc  "}},
        SplitCase{"\"Sample, Mono\",smono.otf", {"Sample, Mono", "smono.otf"}},
        SplitCase{"\"Say \"\"Hi\"\" Sans\",sayhi.ttf", {"Say \"Hi\" Sans", "sayhi.ttf"}},
        SplitCase{"\"Sample\" Bold,sbold.ttf", {"Sample Bold", "sbold.ttf"}},
        SplitCase{"Sample Gothic,sgothic.ttf,", {"Sample Gothic", "sgothic.ttf"}},
        SplitCase{"Sample Gothic,sgothic.ttf,x", {"Sample Gothic", "sgothic.ttf", "x"}},
        SplitCase{"Sample Gothic,", {"Sample Gothic"}},
        SplitCase{",sgothic.ttf", {"", "sgothic.ttf"}},
        SplitCase{"Sample Gothic,   ", {"Sample Gothic", "   "}},
        SplitCase{"\"Open, Gothic,open.ttf", {"Open, Gothic,open.ttf"}},
        SplitCase{" \"Sample, Mono\",smono.otf", {" \"Sample", " Mono\"", "smono.otf"}},
        SplitCase{"", {}},
        // Bytes after a closing quote are kept, quotes included, up to the next comma.
        SplitCase{"\"a\"b\"c,d", {"ab\"c", "d"}},
        // Two commas in a row give an empty field between them.
        SplitCase{"a,,b", {"a", "", "b"}}, SplitCase{",", {""}}, SplitCase{"\"\",x", {"", "x"}},
        // A quoted field that ends the line.
        SplitCase{"x,\"y\"", {"x", "y"}},
        // ソ (83 5C) and 表 (95 5C) stay whole; a lone lead byte swallows the comma after it.
        SplitCase{"ソフト表示,ソ.ttf", {"ソフト表示", "ソ.ttf"}}, SplitCase{"a\x83,b", {"a\x83,b"}},
        SplitCase{"a,b\x83", {"a", "b\x83"}}));

TEST(StringHelpersTest, StripLineEndRemovesEveryTrailingCrAndLf) {
    std::string text = "a,b\r\n\r\r\n";
    StripLineEnd(text);
    EXPECT_EQ(text, "a,b");
    text = "\r\n";
    StripLineEnd(text);
    EXPECT_EQ(text, "");
    text = "a\rb\n";
    StripLineEnd(text);
    EXPECT_EQ(text, "a\rb");
}

TEST(StringHelpersTest, TrimmingTouchesOnlyAsciiSpaces) {
    std::string text = "   \t x \xE3\x80\x80  ";
    TrimLeadingSpaces(text);
    EXPECT_EQ(text, "\t x \xE3\x80\x80  ");
    TrimTrailingSpaces(text);
    EXPECT_EQ(text, "\t x \xE3\x80\x80");
    // The ideographic space of code page 932 (81 40) is not a space.
    std::string ideographic =
        "\x81\x40"
        "a"
        "\x81\x40";
    TrimLeadingSpaces(ideographic);
    TrimTrailingSpaces(ideographic);
    EXPECT_EQ(ideographic,
              "\x81\x40"
              "a"
              "\x81\x40");
    std::string spaces = "    ";
    TrimLeadingSpaces(spaces);
    EXPECT_EQ(spaces, "");
}

using Entries = std::vector<std::pair<std::string, std::string>>;

class LoadFontListTest : public FakeWindowsTest {
  protected:
    const std::string path = "C:\\Package\\FontList.txt";

    std::vector<std::pair<std::string, std::string>> Load(const std::string& contents) {
        fake.AddFile(path, contents);
        EXPECT_EQ(LoadFontList(nullptr, path), 1);
        return Loaded();
    }

    std::vector<std::pair<std::string, std::string>> Loaded() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (const FontEntry& entry : FontList) {
            out.emplace_back(entry.fontName, entry.fileName);
        }
        return out;
    }
};

TEST_F(LoadFontListTest, AcceptsOnlyLinesOfTwoNonEmptyFieldsAndTrimsThem) {
    const Entries entries = Load(
        "Sample Gothic,sgothic.ttf\n"
        "  Sample Mincho ,  smincho.ttc  \n"
        "\"Sample, Mono\",smono.otf\n"
        "\"Say \"\"Hi\"\" Sans\",sayhi.ttf\n"
        "\"Sample\" Bold,sbold.ttf\n"
        "Sample Gothic,sgothic.ttf,\n"
        "Sample Gothic,sgothic.ttf,x\n"
        "Sample Gothic,\n"
        ",sgothic.ttf\n"
        "Sample Gothic,   \n"
        "\"Open, Gothic,open.ttf\n"
        " \"Sample, Mono\",smono.otf\n"
        "\n"
        "\" Gothic \",g.ttf\n"
        "# comment,c.ttf\n");
    EXPECT_EQ(entries, (Entries{{"Sample Gothic", "sgothic.ttf"},
                                {"Sample Mincho", "smincho.ttc"},
                                {"Sample, Mono", "smono.otf"},
                                {"Say \"Hi\" Sans", "sayhi.ttf"},
                                {"Sample Bold", "sbold.ttf"},
                                {"Sample Gothic", "sgothic.ttf"},
                                {"Gothic", "g.ttf"},
                                {"# comment", "c.ttf"}}));
}

TEST_F(LoadFontListTest, ReadsCrLfLfAndAnUnterminatedLastLineAlike) {
    EXPECT_EQ(Load("A,a.ttf\r\nB,b.ttf\nC,c.ttf"),
              (Entries{{"A", "a.ttf"}, {"B", "b.ttf"}, {"C", "c.ttf"}}));
}

TEST_F(LoadFontListTest, KeepsJapaneseNamesByteForByteAndDuplicatesInFileOrder) {
    EXPECT_EQ(
        Load("ソフト表示,表.ttf\r\nゴシック,g.ttf\r\nソフト表示,表2.ttf\r\n"),
        (Entries{{"ソフト表示", "表.ttf"}, {"ゴシック", "g.ttf"}, {"ソフト表示", "表2.ttf"}}));
}

TEST_F(LoadFontListTest, ABomStaysPartOfTheFirstFaceName) {
    EXPECT_EQ(Load("\xEF\xBB\xBFSample,s.ttf\n"), (Entries{{"\xEF\xBB\xBFSample", "s.ttf"}}));
}

TEST_F(LoadFontListTest, ALineIsTakenUpToItsFirstNul) {
    using namespace std::string_literals;
    EXPECT_EQ(Load("A,a.ttf\0junk\nB,b\0.ttf\nC,c.ttf\n"s),
              (Entries{{"A", "a.ttf"}, {"B", "b"}, {"C", "c.ttf"}}));
}

TEST_F(LoadFontListTest, ALongLineIsReadIn255BytePieces) {
    // 300 bytes: the first piece is a valid entry of 255 bytes, the remaining 45 another.
    const std::string first = "F," + std::string(248, 'x') + ".ttf" + "X";  // 255 bytes
    const std::string second = "G," + std::string(39, 'y') + ".ttf";        // 45 bytes
    ASSERT_EQ(first.size(), 255u);
    ASSERT_EQ(second.size(), 45u);
    EXPECT_EQ(Load(first + second + "\n"), (Entries{{"F", std::string(248, 'x') + ".ttfX"},
                                                    {"G", std::string(39, 'y') + ".ttf"}}));
}

TEST_F(LoadFontListTest, ALineOfExactly255BytesIsProcessedWhole) {
    const std::string line = "F," + std::string(249, 'x') + ".ttf";
    ASSERT_EQ(line.size(), 255u);
    EXPECT_EQ(Load(line + "\r\nG,g.ttf\r\n"),
              (Entries{{"F", std::string(249, 'x') + ".ttf"}, {"G", "g.ttf"}}));
}

TEST_F(LoadFontListTest, APieceCutInsideADoubleByteCharacterIsStillRead) {
    // 254 single bytes, then ソ (83 5C): the cut falls between its two bytes.
    const std::string head = "H," + std::string(248, 'h') + ".ttf";  // 254 bytes
    const Entries entries = Load(head + "ソ,x.ttf\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0],
              (std::pair<std::string, std::string>{"H", std::string(248, 'h') + ".ttf\x83"}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"\\", "x.ttf"}));
}

TEST_F(LoadFontListTest, AnEmptyFileOrOneWithoutValidLinesLoadsNothing) {
    EXPECT_TRUE(Load("").empty());
    EXPECT_TRUE(Load("\n\r\njust text\n,\n").empty());
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(LoadFontListTest, CtrlZEndsATextModeFile) {
    EXPECT_EQ(Load("A,a.ttf\r\n\x1A"
                   "B,b.ttf\r\n"),
              (Entries{{"A", "a.ttf"}}));
}

TEST_F(LoadFontListTest, AppendsWithoutClearingTheList) {
    FontList.push_back(FontEntry{"Old", "old.ttf"});
    EXPECT_EQ(Load("New,new.ttf\n"), (Entries{{"Old", "old.ttf"}, {"New", "new.ttf"}}));
}

TEST_F(LoadFontListTest, AReadErrorEndsTheFileAndKeepsWhatWasRead) {
    fake.AddFile(path, "A,a.ttf\nB,b.ttf\nC,c.ttf\n");
    fake.FailReadingAfter(path, 2);
    EXPECT_EQ(LoadFontList(nullptr, path), 1);
    EXPECT_EQ(Loaded(), (Entries{{"A", "a.ttf"}, {"B", "b.ttf"}}));
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(LoadFontListTest, AFileThatCannotBeOpenedIsReportedByItsFixedName) {
    fake.AddFile("C:\\Other\\list.txt", "A,a.ttf\n");
    fake.Fail("fopen");
    int owner = 0;
    EXPECT_EQ(LoadFontList(&owner, "C:\\Other\\list.txt"), 0);
    EXPECT_TRUE(FontList.empty());
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].text,
              "フォント情報ファイル「FontList.txt」のオープンに失敗しました。");
    EXPECT_EQ(fake.messageBoxes[0].caption, "フォントのインストール");
    EXPECT_EQ(fake.messageBoxes[0].style, 0x30u);
    EXPECT_EQ(fake.messageBoxes[0].owner, &owner);
}

}  // namespace

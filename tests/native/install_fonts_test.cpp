#include "engine/install_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "catalogue/installed_fonts.h"
#include "common/file_names.h"
#include "engine/conflict_dialog.h"
#include "platform/fake/fake_constants.h"
#include "fake_fixture.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "services/folders.h"
#include "services/progress_dialog.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kFonts[] = "C:\\WINDOWS\\Fonts\\";
const char kChosen[] = "C:\\MyFonts\\";
const char kBroadcast[] = "SendMessageTimeoutA HWND_BROADCAST WM_FONTCHANGE flags 2 timeout 5000";
const char kOpenFontsFolder[] = "ShellExecuteA open C:\\WINDOWS\\Fonts 1";
const char kRemoveByHand[] =
    "コントロールパネルのフォントを使って削除してから、再度実行してください。";

// A font file of the fake: its first line names the family it brings when loaded.
std::string FontBytes(const std::string& face, std::size_t size = 0) {
    std::string bytes = "FACE=" + face + "\n";
    if (bytes.size() < size) {
        bytes.append(size - bytes.size(), 'x');
    }
    return bytes;
}

class InstallTest : public FakeWindowsTest {
  protected:
    InstallTest() {
        SameForFollowing = 0;
        ConflictMessage.clear();
        FaceNameList.clear();
        dialog = fake.CreateDialogParam(nullptr, 131, nullptr, ProgressDialogProc, 0);
        ProgressDialog = dialog;
        fake.AddFolder("C:\\MyFonts");
        fake.currentDirectory = "C:\\Elsewhere";
        fake.AddFolder("C:\\Elsewhere");
    }
    ~InstallTest() override {
        ProgressDialog = nullptr;
        CancelRequested = 0;
        SameForFollowing = 0;
        FaceNameList.clear();
    }

    // A font of the package, beside the program.
    FontEntry Package(const std::string& face, const std::string& file, std::size_t size = 0) {
        fake.AddFile("C:\\Package\\" + file, FontBytes(face, size));
        return FontEntry{face, file};
    }
    // A font already installed: its file, its value in the font table, loaded and known to GDI.
    void Installed(const std::string& valueName, const std::string& face, const std::string& path,
                   const std::string& data) {
        fake.AddFile(path, FontBytes(face));
        fake.AddStringValue(kNtKey, valueName, data);
        fake.loadedFonts.push_back(path);
        fake.fontFamilies.push_back(face);
    }

    int Run(const std::vector<FontEntry>& selection, const std::string& destination = kFonts) {
        const Destination held = HeldDestination(destination);
        fake.calls.clear();
        return InstallFonts(dialog, selection, held);
    }

    fake::FakeControl& Control(int id) { return fake.dialogs.front()->controls[id]; }
    std::vector<intptr_t> Positions() { return Control(1010).positions; }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(fake.calls.begin(), fake.calls.end(), call));
    }
    std::ptrdiff_t IndexOf(const std::string& call) const {
        auto found = std::find(fake.calls.begin(), fake.calls.end(), call);
        return found == fake.calls.end() ? -1 : found - fake.calls.begin();
    }
    std::vector<std::string> Warnings() const {
        std::vector<std::string> texts;
        for (const fake::MessageBoxCall& box : fake.messageBoxes) {
            EXPECT_EQ(box.owner, dialog);
            EXPECT_EQ(box.style, 0x30u);
            texts.push_back(box.text);
        }
        return texts;
    }
    std::string Value(const std::string& name) const {
        for (const fake::RegistryValue& value : *fake.Values(kNtKey)) {
            if (value.name == name) {
                return value.data.substr(0, value.data.find('\0'));
            }
        }
        return "<none>";
    }
    int ConflictDialogs() const {
        return static_cast<int>(std::count_if(
            fake.dialogs.begin(), fake.dialogs.end(),
            [](const std::unique_ptr<fake::FakeDialog>& d) { return d->templateId == 133; }));
    }
    // Answers every conflict dialog with this button, ticking the checkbox first if asked.
    void AnswerConflicts(int button, bool tick = false) {
        fake.onDialogShown = [this, button, tick](platform::WindowHandle shown,
                                                  fake::FakeDialog& conflict) {
            EXPECT_EQ(conflict.templateId, 133);
            EXPECT_EQ(conflict.owner, dialog);
            messagesShown.push_back(conflict.controls[1021].text);
            fake.SendDlgItemMessage(shown, 1020, win::kBmSetCheck, tick ? 1 : 0, 0);
            fake.SendCommand(shown, button);
        };
    }

    platform::WindowHandle dialog = nullptr;
    std::vector<std::string> messagesShown;
};

// --- whole runs -------------------------------------------------------------------------------

TEST_F(InstallTest, InstallsIntoTheFontsFolderWithBareNamesAndOneBroadcast) {
    const std::vector<FontEntry> selection = {Package("ソフト表示", "soft.ttf"),
                                              Package("FI Sans", "sub\\FISans.OTF"),
                                              Package("FI Mincho", "mincho.ttc")};
    ASSERT_EQ(Run(selection), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.Contents("C:\\WINDOWS\\Fonts\\soft.ttf"), FontBytes("ソフト表示"));
    EXPECT_EQ(fake.Contents("C:\\WINDOWS\\Fonts\\FISans.OTF"), FontBytes("FI Sans"));
    EXPECT_EQ(Value("ソフト表示 (TrueType)"), "soft.ttf");
    EXPECT_EQ(Value("FI Sans (OpenType)"), "FISans.OTF");
    EXPECT_EQ(Value("FI Mincho (TrueType)"), "mincho.ttc");
    EXPECT_TRUE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\mincho.ttc"));
    EXPECT_EQ(Count(kBroadcast), 1);
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    EXPECT_EQ(Control(1014).texts,
              (std::vector<std::string>{
                  "情報を取得中・・・", "ソフト表示 をインストールしています。",
                  "FI Sans をインストールしています。", "FI Mincho をインストールしています。"}));
    // Relative names are found beside the program, whatever the current folder was.
    EXPECT_EQ(Count("SetCurrentDirectoryA C:\\Package\\"), 1);
    EXPECT_EQ(fake.currentDirectory, "C:\\Package");
}

TEST_F(InstallTest, ProgressPositionsForZeroOneTwoAndSevenFonts) {
    const std::pair<int, std::vector<intptr_t>> cases[] = {
        {0, {33, 66, 100}},
        {1, {25, 50, 75, 100}},
        {2, {20, 40, 60, 80, 100}},
        {7, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
    };
    for (const auto& [count, positions] : cases) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* progress = fresh.progress;
        std::vector<FontEntry> selection;
        for (int i = 0; i < count; ++i) {
            const std::string file = "f" + std::to_string(i) + ".ttf";
            windows.AddFile("C:\\Package\\" + file, FontBytes("Face " + std::to_string(i)));
            selection.push_back(FontEntry{"Face " + std::to_string(i), file});
        }
        ASSERT_EQ(InstallFonts(progress, selection, HeldDestination(kFonts)), 1) << count;
        EXPECT_EQ(windows.dialogs.front()->controls[1010].positions, positions) << count;
        EXPECT_EQ(std::count(windows.calls.begin(), windows.calls.end(), kBroadcast), 1);
    }
}

TEST_F(InstallTest, EachCopyMovesTheBarThroughItsOwnSlice) {
    // Two fonts of two full chunks each: 20, 40, 60, then 60 to 80 and 80 to 100.
    const std::vector<FontEntry> selection = {Package("A", "a.ttf", 2048),
                                              Package("B", "b.ttf", 2048)};
    ASSERT_EQ(Run(selection), 1);
    EXPECT_EQ(Positions(), (std::vector<intptr_t>{20, 40, 60, 70, 80, 80, 90, 100, 100}));
}

// --- preparation ------------------------------------------------------------------------------

TEST_F(InstallTest, OpenTypeIsRefusedBeforeWindows2000AndInstalledFromThenOn) {
    for (int32_t osClass : {0, 1, 2, 3, 4}) {
        fake::FakePlatform windows;
        platform::ScopedPlatform scope(windows.Platform());
        OsClass = osClass;
        windows.AddFile("C:\\Package\\a.ttf", FontBytes("A"));
        windows.AddFile("C:\\Package\\X.OTF", FontBytes("X"));
        const Destination fonts = HeldDestination(kFonts);
        windows.calls.clear();
        EXPECT_EQ(InstallFonts(dialog, {{"A", "a.ttf"}, {"X", "X.OTF"}}, fonts), 0);
        ASSERT_EQ(windows.messageBoxes.size(), 1u) << osClass;
        EXPECT_EQ(windows.messageBoxes[0].text,
                  "OpenTypeフォントのインストールは、Adobe Type Managerから行ってください。");
        EXPECT_EQ(windows.messageBoxes[0].owner, dialog);
        // Nothing else happened: not even the current folder changed.
        EXPECT_EQ(windows.calls,
                  (std::vector<std::string>{"SetDlgItemTextA 1014",
                                            "MessageBoxA " + windows.messageBoxes[0].text}));
    }
    for (int32_t osClass : {5, 6, 7}) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        OsClass = osClass;
        windows.AddFile("C:\\Package\\X.OTF", FontBytes("X"));
        void* progress = fresh.progress;
        EXPECT_EQ(InstallFonts(progress, {{"X", "X.OTF"}}, HeldDestination(kFonts)), 1) << osClass;
        EXPECT_TRUE(windows.FileExists("C:\\WINDOWS\\Fonts\\X.OTF"));
    }
}

TEST_F(InstallTest, AMissingFileIsNamedAndNothingIsChanged) {
    const std::vector<FontEntry> selection = {Package("A", "a.ttf"), FontEntry{"B", "表\\b.ttf"}};
    Installed("A (TrueType)", "A", "C:\\WINDOWS\\Fonts\\old-a.ttf", "old-a.ttf");
    EXPECT_EQ(Run(selection), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"ファイル表\\b.ttfが見つかりません。"});
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\a.ttf"));
    EXPECT_TRUE(fake.FileExists("C:\\WINDOWS\\Fonts\\old-a.ttf"));
    EXPECT_EQ(Value("A (TrueType)"), "old-a.ttf");
    EXPECT_EQ(Count(kBroadcast), 0);
    EXPECT_EQ(Count("RegOpenKeyExA " + std::string(kNtKey) + " KEY_READ"), 0);
}

TEST_F(InstallTest, NamesThatWouldLeaveTheDestinationOrItsLimitsAreRefusedUpFront) {
    EXPECT_EQ(TargetFileName("sub\\b.ttf"), "b.ttf");
    EXPECT_EQ(TargetFileName("..\\..\\x.ttf"), "x.ttf");
    EXPECT_EQ(TargetFileName("../x.ttf"), "x.ttf");
    EXPECT_EQ(TargetFileName("a/b\\c.ttf"), "c.ttf");
    EXPECT_EQ(TargetFileName("C:\\Fonts\\表示ソ"), "表示ソ");  // trail bytes 0x5C stay
    EXPECT_EQ(TargetFileName("plain.ttf"), "plain.ttf");
    // A byte that cannot end a double-byte character is read by Windows as a character of its
    // own: here a colon, which would name a stream, and a lone lead byte.
    // Devices, with any extension, and control characters up to 0x1F.
    for (const char* bad : {"",        ".",        "..",        "C:x.ttf",    "a?.ttf",    "a*.ttf",
                            "a|b",     "a\"b",     "<a>",       "\x95:b.ttf", "a.ttf\x83", "CON",
                            "con.ttf", "Nul .ttf", "aux.a.b",   "PRN.TTF",    "COM0.ttf",  "com9",
                            "lpt0",    "lpt9.otf", "a\x1F.ttf", "\x01.ttf"}) {
        EXPECT_FALSE(IsUsableFileName(bad)) << bad;
    }
    for (const char* good :
         {"a.ttf", "ソ", ".ttf", "a..ttf", "表示 (1).ttf", "a b.ttf", "COMA.ttf", "COM10.ttf",
          "LPT.ttf", "console.ttf", "CONS", "xCON", "AUX1", "NULL.ttf", ".con"}) {
        EXPECT_TRUE(IsUsableFileName(good)) << good;
    }

    const std::string deep = "C:\\Package\\" + std::string(240, 'd');
    fake.AddFile(deep + "\\long-name.ttf", FontBytes("Long"));
    fake.AddFile("C:\\Package\\ok.ttf", FontBytes("Ok"));
    // "Z:evil.ttf" names a file on drive Z:, but as a name in the destination it would be the
    // stream "evil.ttf" of a file "Z".
    fake.AddFile("Z:\\evil.ttf", FontBytes("Evil"));
    const std::pair<FontEntry, std::string> refused[] = {
        {{"Long", deep + "\\long-name.ttf"}, deep + "\\long-name.ttf"},
        {{"Evil", "Z:evil.ttf"}, "Z:evil.ttf"},
    };
    for (const auto& [font, named] : refused) {
        fake.messageBoxes.clear();
        EXPECT_EQ(Run({Package("Ok", "ok.ttf"), font}), 0) << named;
        EXPECT_EQ(Warnings(),
                  std::vector<std::string>{"フォントファイル「" + named +
                                           "」はコピーできません。\nファイル名とコピー先"
                                           "のパスの長さ、使われている文字を確認してく"
                                           "ださい。"});
        EXPECT_EQ(Count(kBroadcast), 0);
        EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\ok.ttf"));
    }

    // A destination so deep that the file's path would pass MAX_PATH.
    const std::string deepDestination = "C:\\" + std::string(250, 'z') + "\\";
    fake.AddFolder(deepDestination);
    fake.messageBoxes.clear();
    EXPECT_EQ(Run({Package("Ok", "ok.ttf")}, deepDestination), 0);
    EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(InstallTest, SizesAddUpInSixtyFourBitsAndEqualFreeSpacePasses) {
    fake.AddFileOfSize("C:\\Package\\big1.ttf", 0xF0000000u);
    fake.AddFileOfSize("C:\\Package\\big2.ttf", 0xF0000000u);
    const std::vector<FontEntry> big = {{"Big1", "big1.ttf"}, {"Big2", "big2.ttf"}};
    fake.freeBytesEx[kChosen] = uint64_t{2} * 0xF0000000u - 1u;
    EXPECT_EQ(Run(big, kChosen), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{
                              "ディスク容量が足りません。\n必要な容量：8053063680 バイト"});
    EXPECT_EQ(Count(kOpenFontsFolder), 0);
    EXPECT_EQ(Count(kBroadcast), 1);
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    EXPECT_TRUE(fake.dialogs.front()->controls[1010].positions.size() == 2u);

    // Exactly enough passes; an unreadable size counts as nothing; a failed query skips.
    fake.messageBoxes.clear();
    const std::vector<FontEntry> small = {Package("S1", "s1.ttf", 1000),
                                          Package("S2", "s2.ttf", 500)};
    fake.freeBytesEx[kChosen] = 1500;
    EXPECT_EQ(Run(small, kChosen), 1);
    fake.freeBytesEx[kChosen] = 999;
    fake.Fail("CreateFileA", "s2.ttf");
    fake.AddFile("C:\\Package\\s1.ttf", FontBytes("S1", 999));
    EXPECT_EQ(Run(small, kChosen), 1);
    fake.freeBytesEx.erase(kChosen);
    EXPECT_EQ(Run(small, kChosen), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());

    // A font installed where it lies is not copied and needs no room.
    const std::vector<FontEntry> mixed = {Package("P", "p.ttf", 5000),
                                          FontEntry{"Q", "C:\\Other\\q.ttf"}};
    fake.AddFile("C:\\Other\\q.ttf", FontBytes("Q", 100));
    fake.freeBytesEx["C:\\Package\\"] = 100;
    EXPECT_EQ(Run(mixed, "C:\\Package\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    fake.freeBytesEx["C:\\Package\\"] = 99;
    EXPECT_EQ(Run(mixed, "C:\\Package\\"), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ディスク容量が足りません。\n必要な容量：100 バイト"});
}

// --- removal ----------------------------------------------------------------------------------

TEST_F(InstallTest, EveryInstalledRecordOfAChosenNameIsRemoved) {
    Installed("Twice (TrueType)", "Twice", "C:\\WINDOWS\\Fonts\\twice.ttf", "twice.ttf");
    Installed("Twice (OpenType)", "Twice", "D:\\Other\\twice.otf", "D:\\Other\\twice.otf");
    Installed("Kept (TrueType)", "Kept", "C:\\WINDOWS\\Fonts\\kept.ttf", "kept.ttf");
    Installed("Twice (TrueType)x", "Twicex", "C:\\MyFonts\\x.ttf", "C:\\MyFonts\\x.ttf");
    Installed("Chosen", "Chosen", "C:\\MyFonts\\old.ttf", "C:\\MyFonts\\old.ttf");
    fake.fontFamilies.push_back("Twice");  // GDI lists a family once per file here
    const std::vector<FontEntry> selection = {Package("Twice", "new-twice.ttf"),
                                              Package("Chosen", "chosen.ttf")};
    ASSERT_EQ(Run(selection, kChosen), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    // Both records of the name went from the table and from GDI.
    EXPECT_EQ(Count("RemoveFontResourceA C:\\WINDOWS\\Fonts\\twice.ttf"), 1);
    EXPECT_EQ(Count("RemoveFontResourceA D:\\Other\\twice.otf"), 1);
    EXPECT_EQ(Value("Twice (OpenType)"), "<none>");
    EXPECT_EQ(Value("Twice (TrueType)"), "C:\\MyFonts\\new-twice.ttf");
    EXPECT_EQ(Value("Kept (TrueType)"), "kept.ttf");
    // Files go from the Fonts folder and from the destination, never from elsewhere.
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\twice.ttf"));
    EXPECT_TRUE(fake.FileExists("D:\\Other\\twice.otf"));
    EXPECT_FALSE(fake.FileExists("C:\\MyFonts\\old.ttf"));
    EXPECT_TRUE(fake.FileExists("C:\\MyFonts\\x.ttf"));
    EXPECT_TRUE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\kept.ttf"));
    // Every deletion comes right after a broadcast.
    for (const char* file : {"C:\\WINDOWS\\Fonts\\twice.ttf", "C:\\MyFonts\\old.ttf"}) {
        const std::ptrdiff_t deleted = IndexOf(std::string("CreateFileA DELETE ") + file);
        ASSERT_GT(deleted, 0) << file;
        EXPECT_EQ(fake.calls[deleted - 1], kBroadcast) << file;
    }
    EXPECT_EQ(Count(kBroadcast), 3);
}

TEST_F(InstallTest, AnEntryNamingAFolderIsRemovedWithoutDeletingAnything) {
    // Entries with empty data or "..": their "file" is the Fonts folder or its parent.
    for (const char* data : {"", "..", "."}) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        void* progress = fresh.progress;
        windows.AddStringValue(kNtKey, "Odd (TrueType)", data);
        windows.loadedFonts.push_back(windows.FullPath(std::string(kFonts) + data));
        windows.AddFile("C:\\Package\\odd.ttf", FontBytes("Odd"));
        ASSERT_EQ(InstallFonts(progress, {{"Odd", "odd.ttf"}}, HeldDestination(kFonts)), 1) << data;
        EXPECT_EQ(std::count_if(windows.calls.begin(), windows.calls.end(),
                                [](const std::string& call) {
                                    return call.rfind("CreateFileA DELETE", 0) == 0;
                                }),
                  0)
            << data;
        EXPECT_TRUE(windows.FileExists("C:\\WINDOWS\\Fonts\\odd.ttf"));
    }
}

TEST_F(InstallTest, AFontThatCannotBeUnloadedStopsTheRunAndOpensTheFontsFolder) {
    Installed("Stuck (TrueType)", "Stuck", "C:\\WINDOWS\\Fonts\\stuck.ttf", "stuck.ttf");
    fake.Fail("RemoveFontResourceA");
    EXPECT_EQ(Run({Package("Stuck", "stuck-new.ttf")}), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"フォント「Stuck」の削除に失敗しました。\n" +
                                                   std::string(kRemoveByHand)});
    EXPECT_GT(IndexOf(kOpenFontsFolder), IndexOf("MessageBoxA " + fake.messageBoxes[0].text));
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    EXPECT_EQ(Value("Stuck (TrueType)"), "stuck.ttf");
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\stuck-new.ttf"));
}

TEST_F(InstallTest, AnEntryThatCannotBeDeletedStopsTheRunWithTheReasonFirst) {
    Installed("Locked (TrueType)", "Locked", "C:\\WINDOWS\\Fonts\\locked.ttf", "locked.ttf");
    fake.Fail("RegDeleteValueA");
    EXPECT_EQ(Run({Package("Locked", "locked2.ttf")}), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{
                  "インストール済みフォントのレジストリ削除に失敗しました。\nフォント「Locked」の"
                  "削除に失敗しました。\n" +
                  std::string(kRemoveByHand) +
                  "\nコントロールパネルのフォントからも削除できない時は、マシンを再起動してください"
                  "。"});
    EXPECT_EQ(Count(kOpenFontsFolder), 1);
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    // The resource is already unloaded and stays so.
    EXPECT_FALSE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\locked.ttf"));
    EXPECT_TRUE(fake.FileExists("C:\\WINDOWS\\Fonts\\locked.ttf"));
}

TEST_F(InstallTest, AFamilyKnownButNotRegisteredStopsTheRun) {
    fake.fontFamilies = {"Other", "Loaded Elsewhere"};
    EXPECT_EQ(Run({Package("Fine", "fine.ttf"), Package("Loaded Elsewhere", "le.ttf")}), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{
                  "同じ名前のフォント「Loaded Elsewhere」がインストールされています。\n" +
                  std::string(kRemoveByHand) +
                  "\nコントロールパネルのフォントに「Loaded Elsewhere」が存在しない場合"
                  "は、マシンを再起動後実行してください。"});
    EXPECT_EQ(Count(kOpenFontsFolder), 1);
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\fine.ttf"));

    // A family that differs only in case or by a trailing blank is another family.
    fake.messageBoxes.clear();
    fake.fontFamilies = {"loaded elsewhere", "Loaded Elsewhere "};
    EXPECT_EQ(Run({Package("Loaded Elsewhere", "le.ttf")}), 1);
}

// --- cancel -----------------------------------------------------------------------------------

TEST_F(InstallTest, CancelIsSeenAtEveryPumpAndStopsWithTheRightKindOfStop) {
    // A run with every kind of pump: sizes, milestones, removal, family check, status lines and
    // the copy. It is first counted uncancelled, then cancelled at each of its pumps in turn.
    auto arrange = [](fake::FakePlatform& windows) {
        windows.AddFile("C:\\Package\\a.ttf", FontBytes("A", 3000));
        windows.AddFile("C:\\Package\\b.ttf", FontBytes("B", 10));
        windows.AddFile("C:\\WINDOWS\\Fonts\\old.ttf", FontBytes("A"));
        windows.AddStringValue(kNtKey, "A (TrueType)", "old.ttf");
        windows.loadedFonts.push_back("C:\\WINDOWS\\Fonts\\old.ttf");
        windows.fontFamilies = {"A", "Z"};
    };
    const std::vector<FontEntry> selection = {{"A", "a.ttf"}, {"B", "b.ttf"}};
    int pumps = 0;
    {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        arrange(windows);
        void* progress = fresh.progress;
        ASSERT_EQ(InstallFonts(progress, selection, HeldDestination(kFonts)), 1);
        pumps = windows.peekCount;
    }
    // Sizes 2, milestones 2, removal 2, milestone 1, families 4, milestone 1, then the copies.
    const int beforeRemoval = 4;
    const int beforeCopies = 2 + 2 + 2 + 1 + 4 + 1;
    ASSERT_GT(pumps, beforeCopies + 4);
    for (int at = 1; at <= pumps; ++at) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        arrange(windows);
        void* progress = fresh.progress;
        windows.onPeekMessage = [&](int count) {
            if (count == at) {
                windows.PostCommand(progress, win::kIdCancel);
            }
        };
        EXPECT_EQ(InstallFonts(progress, selection, HeldDestination(kFonts)), 0)
            << "cancel at pump " << at;
        EXPECT_EQ(windows.peekCount, at) << "nothing pumps after the cancel";
        EXPECT_TRUE(windows.messageBoxes.empty()) << at;
        const auto broadcasts =
            std::count(windows.calls.begin(), windows.calls.end(), std::string(kBroadcast));
        if (at <= beforeRemoval) {
            EXPECT_EQ(broadcasts, 0) << at;
            EXPECT_TRUE(windows.FileExists("C:\\WINDOWS\\Fonts\\old.ttf")) << at;
            EXPECT_EQ(windows.Values(kNtKey)->size(), 1u) << at;
        } else {
            EXPECT_EQ(windows.calls.back(), kBroadcast) << at;
        }
        if (at > beforeCopies) {
            // A cancelled copy leaves no partial file; a font installed before stays.
            EXPECT_FALSE(windows.FileExists("C:\\WINDOWS\\Fonts\\b.ttf")) << at;
            if (windows.FileExists("C:\\WINDOWS\\Fonts\\a.ttf")) {
                EXPECT_TRUE(windows.FontLoaded("C:\\WINDOWS\\Fonts\\a.ttf")) << at;
            }
        }
    }
}

// --- clashes ----------------------------------------------------------------------------------

TEST_F(InstallTest, ClashesInTheFontsFolderAreNumberedWithoutAsking) {
    fake.AddFile("C:\\WINDOWS\\Fonts\\a.ttf", "stray");
    fake.AddFile("C:\\WINDOWS\\Fonts\\a1.ttf", "stray");
    fake.AddFile("C:\\WINDOWS\\Fonts\\c", "stray");
    ASSERT_EQ(Run({Package("A", "a.ttf"), Package("C", "fonts\\c")}), 1);
    EXPECT_EQ(ConflictDialogs(), 0);
    EXPECT_EQ(fake.Contents("C:\\WINDOWS\\Fonts\\a.ttf"), "stray");
    EXPECT_EQ(fake.Contents("C:\\WINDOWS\\Fonts\\a2.ttf"), FontBytes("A"));
    EXPECT_EQ(Value("A (TrueType)"), "a2.ttf");
    EXPECT_EQ(Value("C"), "c1");
}

TEST_F(InstallTest, AClashWithARegisteredFileIsNumberedWithoutAsking) {
    fake.AddFile("C:\\MyFonts\\a.ttf", "registered");
    fake.AddStringValue(kNtKey, "Someone Else (TrueType)", "c:\\myfonts\\A.TTF");
    ASSERT_EQ(Run({Package("A", "a.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 0);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\a.ttf"), "registered");
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a1.ttf");
}

TEST_F(InstallTest, TheConflictDialogsAnswersInAChosenFolder) {
    fake.AddFile("C:\\MyFonts\\ソ表.ttf", "stray");
    AnswerConflicts(win::kIdOk);
    ASSERT_EQ(Run({Package("表示", "sub\\ソ表.ttf")}, kChosen), 1);
    EXPECT_EQ(messagesShown,
              std::vector<std::string>{"表示 のファイル「ソ表.ttf」は既に存在します。"});
    EXPECT_EQ(ConflictMessage, "表示 のファイル「ソ表.ttf」は既に存在します。");
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\ソ表.ttf"), FontBytes("表示"));
    EXPECT_EQ(Value("表示 (TrueType)"), "C:\\MyFonts\\ソ表.ttf");

    fake.AddFile("C:\\MyFonts\\b.ttf", "stray");
    AnswerConflicts(IDC_RENAME);
    ASSERT_EQ(Run({Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\b.ttf"), "stray");
    EXPECT_EQ(Value("B (TrueType)"), "C:\\MyFonts\\b1.ttf");

    // Cancel stops the run; the font installed before it stays.
    fake.AddFile("C:\\MyFonts\\d.ttf", "stray");
    AnswerConflicts(win::kIdCancel);
    EXPECT_EQ(Run({Package("C", "c.ttf"), Package("D", "d.ttf"), Package("E", "e.ttf")}, kChosen),
              0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("C (TrueType)"), "C:\\MyFonts\\c.ttf");
    EXPECT_EQ(Value("D (TrueType)"), "<none>");
    EXPECT_FALSE(fake.FileExists("C:\\MyFonts\\e.ttf"));
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\d.ttf"), "stray");
    EXPECT_EQ(fake.calls.back(), kBroadcast);
    EXPECT_EQ(SameForFollowing, 0);
}

TEST_F(InstallTest, AnOverwriteThatCannotDeleteStopsTheRun) {
    fake.AddFile("C:\\MyFonts\\a.ttf", "stray");
    fake.Fail("SetFileInformationByHandle", "C:\\MyFonts\\a.ttf");
    AnswerConflicts(win::kIdOk);
    EXPECT_EQ(Run({Package("A", "a.ttf")}, kChosen), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル C:\\MyFonts\\a.ttf の削除に失敗しました。"});
    EXPECT_EQ(Count(kOpenFontsFolder), 0);
    EXPECT_EQ(fake.calls.back(), kBroadcast);
}

TEST_F(InstallTest, TheSameAnswerForFollowingFontsHoldsForTheRunAndForLaterRuns) {
    for (const char* name : {"a.ttf", "b.ttf", "c.ttf"}) {
        fake.AddFile(std::string(kChosen) + name, "stray");
    }
    AnswerConflicts(win::kIdOk, true);
    ASSERT_EQ(Run({Package("A", "a.ttf"), Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(SameForFollowing, 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\b.ttf"), FontBytes("B"));  // overwritten unasked

    // The next run of the process asks nothing and numbers every clash.
    ASSERT_EQ(Run({Package("C", "c.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\c.ttf"), "stray");
    EXPECT_EQ(Value("C (TrueType)"), "C:\\MyFonts\\c1.ttf");
}

TEST_F(InstallTest, AFaceChosenTwiceIsInstalledOnceFromItsFirstLine) {
    // Not installed yet: only the first line's file is copied, loaded and recorded, and the bar
    // counts one font.
    const std::vector<FontEntry> twoFiles = {Package("A", "a.ttf"), Package("B", "b.ttf"),
                                             Package("A", "a.otf")};
    ASSERT_EQ(Run(twoFiles), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("A (TrueType)"), "a.ttf");
    EXPECT_EQ(Value("A (OpenType)"), "<none>");
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\a.otf"));
    EXPECT_FALSE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\a.otf"));
    EXPECT_EQ(Positions(), (std::vector<intptr_t>{20, 40, 60, 80, 100}));

    // Installed: the record is removed once, and the run installs the face again.
    fake.fontFamilies = {"A", "B"};
    Control(1010).positions.clear();
    ASSERT_EQ(Run(twoFiles), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Count("RemoveFontResourceA C:\\WINDOWS\\Fonts\\a.ttf"), 1);
    EXPECT_EQ(Value("A (TrueType)"), "a.ttf");
    EXPECT_TRUE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\a.ttf"));
    EXPECT_EQ(Count("ShellExecuteA open C:\\WINDOWS\\Fonts 1"), 0);

    // The same line twice with a clash: asked once, and the file just installed is kept.
    fake.AddFile("C:\\MyFonts\\c.ttf", "stray");
    AnswerConflicts(win::kIdOk, true);
    const FontEntry twice = Package("C", "c.ttf");
    ASSERT_EQ(Run({twice, twice}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\c.ttf"), FontBytes("C"));
    EXPECT_FALSE(fake.FileExists("C:\\MyFonts\\c1.ttf"));
    EXPECT_EQ(Value("C (TrueType)"), "C:\\MyFonts\\c.ttf");
}

TEST_F(InstallTest, ThePackagesOwnFolderAsDestinationInstallsItsFilesWhereTheyLie) {
    const std::string package = "C:\\Package\\";
    // The second line names a file elsewhere whose name is that of the first: numbered, never
    // written over the package's own a.ttf.
    const std::vector<FontEntry> selection = {Package("A", "a.ttf"),
                                              FontEntry{"B", "C:\\Other\\a.ttf"}};
    fake.AddFile("C:\\Other\\a.ttf", FontBytes("B"));
    AnswerConflicts(win::kIdOk, true);  // overwrite, for every clash, if anything were asked
    ASSERT_EQ(Run(selection, "c:\\package\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(ConflictDialogs(), 0);
    EXPECT_EQ(Count("CreateFileA DELETE c:\\package\\a.ttf"), 0);
    EXPECT_EQ(fake.Contents(package + "a.ttf"), FontBytes("A"));
    EXPECT_EQ(Value("A (TrueType)"), "c:\\package\\a.ttf");
    EXPECT_TRUE(fake.FontLoaded("c:\\package\\a.ttf"));
    EXPECT_EQ(Value("B (TrueType)"), "c:\\package\\a1.ttf");
    EXPECT_EQ(Positions(), (std::vector<intptr_t>{20, 40, 60, 80, 100}));

    // Installed again the same way: the old record is replaced, the file stays.
    ASSERT_EQ(Run({selection[0]}, "C:\\Package\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.Contents(package + "a.ttf"), FontBytes("A"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\Package\\a.ttf");

    // A font that cannot be recorded, or will not load, where it lies is not deleted with it.
    fake.Fail("RegSetValueExA");
    EXPECT_EQ(Run({selection[0]}, "C:\\Package\\"), 0);
    EXPECT_FALSE(fake.FontLoaded(package + "a.ttf"));
    EXPECT_EQ(fake.Contents(package + "a.ttf"), FontBytes("A"));
    fake.Fail("AddFontResourceA");
    EXPECT_EQ(Run({selection[0]}, "C:\\Package\\"), 0);
    EXPECT_EQ(fake.Contents(package + "a.ttf"), FontBytes("A"));
}

TEST_F(InstallTest, AFontInPlaceMustBeOneNoOtherUserMayRewrite) {
    using platform::Trustee;
    // Installed in place, the package's file is registered for every user as it lies.
    FontList = {Package("A", "a.ttf")};
    const std::string file = "C:\\Package\\a.ttf";
    Installed("A (TrueType)", "A", "C:\\WINDOWS\\Fonts\\old-a.ttf", "old-a.ttf");
    const auto secured = [](Trustee owner, std::vector<platform::AccessAllowed> others) {
        platform::FileSecurity security{
            owner,
            true,
            {{Trustee::LocalSystem, 0x1F01FF, 0}, {Trustee::Administrators, 0x1F01FF, 0}}};
        security.allowed.insert(security.allowed.end(), others.begin(), others.end());
        return security;
    };
    std::string installed = "old-a.ttf";
    const auto refusedRun = [&](const std::string& why) {
        fake.messageBoxes.clear();
        EXPECT_EQ(Run({FontList[0]}, "C:\\Package\\"), 0) << why;
        EXPECT_EQ(Warnings(),
                  std::vector<std::string>{
                      "フォントファイル「C:\\Package\\a.ttf」は、ほかのユーザが書き換えられるため、"
                      "この場所のままではインストールできません。\n標準のフォントフォルダを選ぶと、"
                      "コピーして安全にインストールできます。"})
            << why;
        // Refused before anything changed.
        EXPECT_EQ(Count(kBroadcast), 0) << why;
        EXPECT_EQ(Value("A (TrueType)"), installed) << why;
    };
    // Each right that lets someone else rewrite, delete or re-permission the file, and an owner
    // or a DACL that lets them.
    for (const uint32_t right :
         {0x2u, 0x4u, 0x40000000u, 0x10000000u, 0x10000u, 0x40000u, 0x80000u}) {
        fake.SetSecurity(file, secured(Trustee::Administrators, {{Trustee::Users, right, 0}}));
        refusedRun(std::to_string(right));
    }
    fake.SetSecurity(file, secured(Trustee::Other, {}));
    refusedRun("owned by another user");
    fake.SetSecurity(file, platform::FileSecurity{Trustee::Administrators, false, {}});
    refusedRun("no DACL");
    // A symbolic link in its place, whatever it leads to.
    fake.SetSecurity(file, secured(Trustee::Administrators, {}));
    fake.SetReparseTag(file, win::kReparseTagSymlink);
    refusedRun("a link");

    // What leaves the font alone: reading it, writing its attributes, the user's and the system's
    // own accounts, an entry only for what a folder creates, a file the system compressed. It is
    // installed where it lies and held until the run ends.
    fake.SetSecurity(file,
                     secured(Trustee::RunningUser, {{Trustee::Users, 0x1200A9 | 0x100 | 0x10, 0},
                                                    {Trustee::TrustedInstaller, 0x1F01FF, 0},
                                                    {Trustee::Other, 0x1F01FF, 0x8}}));
    fake.SetReparseTag(file, win::kReparseTagWof);
    bool heldWhileLoaded = false;
    fake.onCall = [&](const std::string& call) {
        if (call == "AddFontResourceA " + file) {
            heldWhileLoaded = fake.IsHeld(file);
        }
    };
    fake.messageBoxes.clear();
    ASSERT_EQ(Run({FontList[0]}, "C:\\Package\\"), 1);
    fake.onCall = nullptr;
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_TRUE(heldWhileLoaded);
    EXPECT_FALSE(fake.IsHeld(file));
    EXPECT_EQ(Value("A (TrueType)"), file);
    EXPECT_EQ(Count("CreateFileA CREATE_NEW C:\\Package\\a1.ttf"), 0);

    // A security that cannot be read vouches for nothing.
    installed = file;
    fake.Fail("GetSecurityInfo", file);
    refusedRun("unreadable");
}

TEST_F(InstallTest, ARecordOfAnUnchosenLineOfThePackageKeepsItsFile) {
    // One face on two lines, installed in place from one and then from the other.
    FontList = {Package("A", "a.otf"), Package("A", "a.ttf")};
    ASSERT_EQ(Run({FontList[0]}, "C:\\Package\\"), 1);
    ASSERT_EQ(Value("A (OpenType)"), "C:\\Package\\a.otf");
    ASSERT_EQ(Run({FontList[1]}, "C:\\Package\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(Value("A (OpenType)"), "<none>");
    EXPECT_FALSE(fake.FontLoaded("C:\\Package\\a.otf"));
    EXPECT_EQ(fake.Contents("C:\\Package\\a.otf"), FontBytes("A"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\Package\\a.ttf");
}

TEST_F(InstallTest, AClashWithAnUnchosenFileOfThePackageIsNumberedWithoutAsking) {
    FontList = {Package("B", "a.ttf"), Package("A", "sub\\a.ttf")};
    AnswerConflicts(win::kIdOk, true);
    ASSERT_EQ(Run({FontList[1]}, "C:\\Package\\"), 1);
    EXPECT_EQ(ConflictDialogs(), 0);
    EXPECT_EQ(fake.Contents("C:\\Package\\a.ttf"), FontBytes("B"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\Package\\a1.ttf");
    EXPECT_EQ(fake.Contents("C:\\Package\\a1.ttf"), FontBytes("A"));
}

TEST_F(InstallTest, OneFileUnderTwoSpellingsIsStillThePackagesOwn) {
    AnswerConflicts(win::kIdOk, true);  // overwrite, if anything were asked
    // Where the package lies, another spelling of a folder on the way (and that folder), the
    // line of FontList.txt and the folder typed.
    const std::vector<std::vector<std::string>> spellings = {
        {"C:\\Package Files", "C:\\PACKAG~1", "C:\\Package Files", "a.ttf", "C:\\PACKAG~1\\"},
        {"\\\\srv\\share\\pkg", "Z:", "\\\\srv\\share", "a.ttf", "Z:\\pkg\\"},
        {"C:\\Package", "", "", "a.ttf.", "C:\\Package\\"},
        {"C:\\\x82\x6Fkg", "", "", "a.ttf", "C:\\\x82\x90kg\\"},  // Ｐ, ｐ
    };
    for (const std::vector<std::string>& spelling : spellings) {
        FreshWindows fresh;
        fake::FakePlatform& windows = fresh.windows;
        const std::string& destination = spelling[4];
        windows.modulePath = spelling[0] + "\\FontInstaller.exe";
        windows.AddFile(spelling[0] + "\\a.ttf", FontBytes("A"));
        if (!spelling[1].empty()) {
            windows.AddAlias(spelling[1], spelling[2]);
        }
        FontList = {FontEntry{"A", spelling[3]}};
        // Twice: the second run's removal pass meets the first run's record under the
        // destination's spelling. (A name recorded with its trailing dot is no font file the
        // scan knows.)
        for (int run = spelling[3] == "a.ttf" ? 0 : 1; run < 2; ++run) {
            windows.calls.clear();
            EXPECT_EQ(InstallFonts(fresh.progress, FontList, HeldDestination(destination)), 1)
                << destination;
            EXPECT_TRUE(windows.messageBoxes.empty()) << destination;
            EXPECT_EQ(windows.Contents(spelling[0] + "\\a.ttf"), FontBytes("A")) << destination;
            EXPECT_EQ(std::count_if(windows.calls.begin(), windows.calls.end(),
                                    [](const std::string& call) {
                                        return call.rfind("CreateFileA CREATE_NEW", 0) == 0;
                                    }),
                      0)
                << destination << ": copied, not installed in place";
        }
    }
    EXPECT_EQ(ConflictDialogs(), 0);
}

TEST_F(InstallTest, ADriveRootAsDestinationTakesTheCopyDirectly) {
    // The root's final path already ends in its backslash: the copy lands in D:\a.ttf, and the
    // check of where it landed takes it.
    ASSERT_EQ(Run({Package("A", "a.ttf")}, "D:\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.Contents("D:\\a.ttf"), FontBytes("A"));
    EXPECT_EQ(Value("A (TrueType)"), "D:\\a.ttf");
}

TEST_F(InstallTest, ACancelWithTheBoxTickedLeavesLaterRunsNumbering) {
    fake.AddFile("C:\\MyFonts\\a.ttf", "stray");
    AnswerConflicts(win::kIdCancel, true);
    EXPECT_EQ(Run({Package("A", "a.ttf")}, kChosen), 0);
    EXPECT_EQ(SameForFollowing, 1);
    ASSERT_EQ(Run({Package("A", "a.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a1.ttf");
}

TEST_F(InstallTest, AConflictDialogThatCannotOpenKeepsTheFileAndNumbers) {
    fake.AddFile("C:\\MyFonts\\a.ttf", "stray");
    fake.Fail("DialogBoxParamA");
    ASSERT_EQ(Run({Package("A", "a.ttf")}, kChosen), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\a.ttf"), "stray");
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a1.ttf");
}

// --- what other users may swap ---------------------------------------------------------------

TEST_F(InstallTest, WhatIsCreatedOutsideTheFontsFolderGetsItsProtection) {
    using platform::Trustee;
    const auto security = [this](const std::string& path) {
        const platform::SecurityDescriptor* found = fake.SecurityOf(path);
        return found == nullptr ? std::nullopt : std::optional(*found);
    };
    const platform::SecurityDescriptor folder{true,
                                              {{Trustee::LocalSystem, 0x1F01FF, 3},
                                               {Trustee::Administrators, 0x1F01FF, 3},
                                               {Trustee::Users, 0x1200A9, 3}}};
    platform::SecurityDescriptor file = folder;
    for (platform::AccessAllowed& entry : file.allowed) {
        entry.aceFlags = 0;
    }

    // A new folder and the parent created with it, then a file in it.
    ASSERT_NE(CreateFolderTree("C:\\New\\Fonts"), 0);
    EXPECT_EQ(security("C:\\New"), folder);
    EXPECT_EQ(security("C:\\New\\Fonts"), folder);
    ASSERT_EQ(Run({Package("A", "a.ttf")}, "C:\\New\\Fonts\\"), 1);
    EXPECT_EQ(security("C:\\New\\Fonts\\a.ttf"), file);
    // A file in a folder that was there already; the folder stays as it was.
    ASSERT_EQ(Run({Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_EQ(security("C:\\MyFonts\\b.ttf"), file);
    EXPECT_EQ(security("C:\\MyFonts"), std::nullopt);
    // The Fonts folder gives its files what they need; a file installed in place is the package's.
    ASSERT_EQ(Run({Package("C", "c.ttf")}), 1);
    EXPECT_EQ(security("C:\\WINDOWS\\Fonts\\c.ttf"), std::nullopt);
    ASSERT_EQ(Run({Package("D", "d.ttf")}, "C:\\Package\\"), 1);
    EXPECT_EQ(security("C:\\Package\\d.ttf"), std::nullopt);
    EXPECT_EQ(Count("CreateFileA CREATE_NEW C:\\Package\\d.ttf"), 0);

    // The 9x family has no ACLs.
    PlatformId = 1;
    ASSERT_NE(CreateFolderTree("C:\\Old\\Fonts"), 0);
    ASSERT_EQ(Run({Package("E", "e.ttf")}, "C:\\Old\\Fonts\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    for (const char* path : {"C:\\Old", "C:\\Old\\Fonts", "C:\\Old\\Fonts\\e.ttf"}) {
        EXPECT_TRUE(fake.FileExists(path) || fake.FolderExists(path)) << path;
        EXPECT_EQ(security(path), std::nullopt) << path;
    }
}

TEST_F(InstallTest, WhatAppearsAtTheTargetBeforeItIsCreatedStopsTheRunUntouched) {
    // The folder is held for the run; where that does not stop a swap (a Unix process under
    // Wine), the checks on each handle still do.
    fake.honoursShareModes = false;
    // Another user puts a file (or a link) at the target after the clash check found none.
    fake.onCall = [this](const std::string& call) {
        if (call == "CreateFileA CREATE_NEW C:\\MyFonts\\b.ttf") {
            fake.AddFile("C:\\MyFonts\\b.ttf", "planted");
        }
    };
    EXPECT_EQ(Run({Package("A", "a.ttf"), Package("B", "b.ttf"), Package("C", "c.ttf")}, kChosen),
              0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル「C:\\MyFonts\\b.ttf」のオープンに失敗しました。"});
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\b.ttf"), "planted");
    EXPECT_EQ(Count("CreateFileA DELETE C:\\MyFonts\\b.ttf"), 0);
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a.ttf");
    EXPECT_EQ(Value("B (TrueType)"), "<none>");
    EXPECT_FALSE(fake.FileExists("C:\\MyFonts\\c.ttf"));
    EXPECT_EQ(fake.calls.back(), kBroadcast);

    // The folder swapped for a junction once the copies began: the file that landed elsewhere is
    // removed through its own handle, and nothing there is touched by its path.
    fake.messageBoxes.clear();
    fake.AddFile("C:\\WINDOWS\\System32\\kept.dll", "system");
    fake.onCall = [this](const std::string& call) {
        if (call == "CreateFileA CREATE_NEW C:\\MyFonts\\d.ttf") {
            fake.AddJunction("C:\\MyFonts", "C:\\WINDOWS\\System32");
        }
    };
    EXPECT_EQ(Run({Package("D", "d.ttf")}, kChosen), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル「C:\\MyFonts\\d.ttf」のオープンに失敗しました。"});
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\System32\\d.ttf"));
    EXPECT_EQ(fake.Contents("C:\\WINDOWS\\System32\\kept.dll"), "system");
    EXPECT_EQ(Count("CreateFileA DELETE C:\\MyFonts\\d.ttf"), 0);
    EXPECT_EQ(Value("D (TrueType)"), "<none>");
    EXPECT_EQ(fake.calls.back(), kBroadcast);
}

TEST_F(InstallTest, EveryDeleteRefusesAFileSwappedInAfterItsCheck) {
    // Each scenario has a chosen folder of its own, which another user turns into a junction to
    // the system folder at the worst moment: after the check, before the delete. Each file there
    // bears the name the run is about to delete, and must survive. The folder is held for the
    // run; this is where that does not stop the swap (a Unix process under Wine).
    fake.honoursShareModes = false;
    const std::string system32 = "C:\\WINDOWS\\System32\\";
    const auto swapAt = [this](const std::string& trigger, const std::string& folder) {
        fake.onCall = [this, trigger, folder](const std::string& call) {
            if (call == trigger) {
                fake.AddJunction(folder, "C:\\WINDOWS\\System32");
            }
        };
    };
    const auto expectKept = [&](const std::string& name) {
        EXPECT_EQ(fake.Contents(system32 + name), "system") << name;
    };

    // Cancel once the copy has landed: its partial file goes through its own handle.
    fake.AddFolder("C:\\F1");
    fake.AddFile(system32 + "a.ttf", "system");
    bool landed = false;
    fake.onCall = [&](const std::string& call) {
        if (call == "GetFinalPathNameByHandleA C:\\F1\\a.ttf") {
            landed = true;
        } else if (landed && call == "PeekMessageA") {
            landed = false;
            fake.AddJunction("C:\\F1", "C:\\WINDOWS\\System32");
            fake.PostCommand(dialog, win::kIdCancel);
        }
    };
    EXPECT_EQ(Run({Package("A", "a.ttf", 3000)}, "C:\\F1\\"), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    expectKept("a.ttf");
    CancelRequested = 0;

    // A font that will not load, and one that cannot be recorded: the file the copy created is
    // deleted, nothing else.
    struct AfterCopy {
        const char* face;
        const char* file;
        const char* folder;
        const char* failing[2];  // the call that fails, and its argument
        const char* swapAtCall;
    };
    const AfterCopy afterCopy[] = {
        {"B",
         "b.ttf",
         "C:\\F2",
         {"AddFontResourceA", "C:\\F2\\b.ttf"},
         "AddFontResourceA C:\\F2\\b.ttf"},
        {"C",
         "c.ttf",
         "C:\\F3",
         {"RegSetValueExA", "C (TrueType)"},
         "RemoveFontResourceA C:\\F3\\c.ttf"},
    };
    for (const AfterCopy& c : afterCopy) {
        const std::string name = c.file;
        fake.AddFolder(c.folder);
        fake.AddFile(system32 + name, "system");
        fake.Fail(c.failing[0], c.failing[1]);
        swapAt(c.swapAtCall, c.folder);
        EXPECT_EQ(Run({Package(c.face, name)}, std::string(c.folder) + "\\"), 0) << c.face;
        expectKept(name);
        EXPECT_EQ(Value(std::string(c.face) + " (TrueType)"), "<none>");
    }

    // 上書き, pressed once the dialog has been open a while: the file asked about is gone, so
    // nothing is deleted and the run stops with the warning that it could not delete the file.
    fake.AddFile("C:\\F4\\d.ttf", "stray");
    fake.AddFile(system32 + "d.ttf", "system");
    fake.onCall = nullptr;
    fake.onDialogShown = [this](platform::WindowHandle shown, fake::FakeDialog&) {
        fake.AddJunction("C:\\F4", "C:\\WINDOWS\\System32");
        fake.SendCommand(shown, win::kIdOk);
    };
    fake.messageBoxes.clear();
    EXPECT_EQ(Run({Package("D", "d.ttf")}, "C:\\F4\\"), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル C:\\F4\\d.ttf の削除に失敗しました。"});
    expectKept("d.ttf");

    // The same on a server that gives every file the id 0, off the package's volume (so the file
    // may be deleted): with no identity to hold, the folder it must lie in keeps the file.
    fake.zeroFileIds = true;
    fake.AddFile("D:\\F4\\d.ttf", "stray");
    fake.onDialogShown = [this](platform::WindowHandle shown, fake::FakeDialog&) {
        fake.AddJunction("D:\\F4", "C:\\WINDOWS\\System32");
        fake.SendCommand(shown, win::kIdOk);
    };
    fake.messageBoxes.clear();
    EXPECT_EQ(Run({Package("D", "d.ttf")}, "D:\\F4\\"), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル D:\\F4\\d.ttf の削除に失敗しました。"});
    expectKept("d.ttf");
    fake.zeroFileIds = false;
    fake.onDialogShown = nullptr;

    // The removal pass: the broadcast before the delete waits on every window, a hung one for
    // five seconds.
    Installed("E (TrueType)", "E", "C:\\F5\\old-e.ttf", "C:\\F5\\old-e.ttf");
    fake.AddFile(system32 + "old-e.ttf", "system");
    swapAt(kBroadcast, "C:\\F5");
    fake.messageBoxes.clear();
    Run({Package("E", "e.ttf")}, "C:\\F5\\");
    expectKept("old-e.ttf");
    EXPECT_EQ(Count("CreateFileA DELETE C:\\F5\\old-e.ttf"), 1);
    fake.onCall = nullptr;

    // The same delete with nothing swapped removes the file it checked.
    Installed("G (TrueType)", "G", "C:\\F6\\old-g.ttf", "C:\\F6\\old-g.ttf");
    ASSERT_EQ(Run({Package("G", "g.ttf")}, "C:\\F6\\"), 1);
    EXPECT_FALSE(fake.FileExists("C:\\F6\\old-g.ttf"));

    // The 9x family can delete only by path, as before.
    fake.hasDeleteByHandle = false;
    Installed("H (TrueType)", "H", "C:\\F7\\old-h.ttf", "C:\\F7\\old-h.ttf");
    ASSERT_EQ(Run({Package("H", "h.ttf")}, "C:\\F7\\"), 1);
    EXPECT_EQ(Count("DeleteFileA C:\\F7\\old-h.ttf"), 1);
    EXPECT_FALSE(fake.FileExists("C:\\F7\\old-h.ttf"));
}

TEST_F(InstallTest, WhereTheSystemCannotSayWhichFileItIsNoFileOfThePackageCanBeLost) {
    // A server that gives every file the id 0.
    fake.zeroFileIds = true;
    AnswerConflicts(win::kIdOk, true);  // overwrite, whenever asked
    // An old record in the chosen folder, on the package's volume: unloaded and unregistered, but
    // its file may be the package's under another spelling and stays; the new font is numbered.
    Installed("A (TrueType)", "A", "C:\\MyFonts\\a.ttf", "C:\\MyFonts\\a.ttf");
    ASSERT_EQ(Run({Package("A", "a.ttf")}, kChosen), 1);
    EXPECT_EQ(Count("CreateFileA DELETE C:\\MyFonts\\a.ttf"), 0);
    EXPECT_TRUE(fake.FileExists("C:\\MyFonts\\a.ttf"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a1.ttf");
    // A stray of a chosen font's name is not asked about, so 上書き cannot delete it.
    fake.AddFile("C:\\MyFonts\\b.ttf", "stray");
    ASSERT_EQ(Run({Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 0);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\b.ttf"), "stray");
    EXPECT_EQ(Value("B (TrueType)"), "C:\\MyFonts\\b1.ttf");
    // The copy of a font that will not load cannot be told from another file: it stays.
    fake.Fail("AddFontResourceA", "C:\\MyFonts\\c.ttf");
    EXPECT_EQ(Run({Package("C", "c.ttf")}, kChosen), 0);
    EXPECT_TRUE(fake.FileExists("C:\\MyFonts\\c.ttf"));
    EXPECT_EQ(Count("CreateFileA DELETE C:\\MyFonts\\c.ttf"), 0);

    // A file on another volume than every file of the package is none of them, whatever its id:
    // the old record's file goes, and the clash is asked about and overwritten.
    fake.messageBoxes.clear();
    fake.AddFolder("D:\\Fonts");
    Installed("E (TrueType)", "E", "D:\\Fonts\\old-e.ttf", "D:\\Fonts\\old-e.ttf");
    fake.AddFile("D:\\Fonts\\e.ttf", "stray");
    ASSERT_EQ(Run({Package("E", "e.ttf")}, "D:\\Fonts\\"), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_FALSE(fake.FileExists("D:\\Fonts\\old-e.ttf"));
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(Value("E (TrueType)"), "D:\\Fonts\\e.ttf");
    EXPECT_EQ(fake.Contents("D:\\Fonts\\e.ttf"), FontBytes("E"));

    // Where the identity cannot be read at all, the file stays on any volume; so does one whose
    // id alone is 0 beside package files of known ids on its volume.
    fake.zeroFileIds = false;
    fake.AddFile("C:\\MyFonts\\f.ttf", "stray");
    fake.GiveZeroId("C:\\MyFonts\\f.ttf");
    SameForFollowing = 0;  // asked again, were it asked
    ASSERT_EQ(Run({Package("F", "f.ttf")}, kChosen), 1);
    EXPECT_EQ(ConflictDialogs(), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\f.ttf"), "stray");
    EXPECT_EQ(Value("F (TrueType)"), "C:\\MyFonts\\f1.ttf");
    Installed("G (TrueType)", "G", "D:\\Fonts\\g.ttf", "D:\\Fonts\\g.ttf");
    fake.Fail("GetFileInformationByHandle", "D:\\Fonts\\g.ttf");
    ASSERT_EQ(Run({Package("G", "g.ttf")}, "D:\\Fonts\\"), 1);
    EXPECT_TRUE(fake.FileExists("D:\\Fonts\\g.ttf"));
    EXPECT_EQ(Value("G (TrueType)"), "D:\\Fonts\\g1.ttf");
}

TEST_F(InstallTest, OldFilesInTheFontsFolderGoOnlyWhereItsResolvedPathVouchesForThem) {
    // Installing into a chosen folder, the removal pass also deletes old files in the Fonts
    // folder, each checked against the Fonts folder as resolved once for the run.
    Installed("A (TrueType)", "A", "C:\\WINDOWS\\Fonts\\old-a.ttf", "old-a.ttf");
    Installed("B (TrueType)", "B", "C:\\WINDOWS\\Fonts\\old-b.ttf", "old-b.ttf");
    ASSERT_EQ(Run({Package("A", "a.ttf"), Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\old-a.ttf"));
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\old-b.ttf"));
    EXPECT_EQ(Count("GetFinalPathNameByHandleA C:\\WINDOWS\\Fonts\\"), 1);
    // Where that path cannot be had, nothing there is deleted: the old records go, their files
    // stay, and the new fonts are installed all the same.
    Installed("C (TrueType)", "C", "C:\\WINDOWS\\Fonts\\old-c.ttf", "old-c.ttf");
    fake.Fail("GetFinalPathNameByHandleA", "C:\\WINDOWS\\Fonts\\");
    ASSERT_EQ(Run({Package("C", "c.ttf")}, kChosen), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_TRUE(fake.FileExists("C:\\WINDOWS\\Fonts\\old-c.ttf"));
    EXPECT_EQ(Count("CreateFileA DELETE C:\\WINDOWS\\Fonts\\old-c.ttf"), 0);
    EXPECT_EQ(Value("C (TrueType)"), "C:\\MyFonts\\c.ttf");
}

TEST_F(InstallTest, AFontTheSystemKeepsAnotherWayIsReplacedLikeAnyOtherButALinkIsNot) {
    // An old font the system compressed, in the Fonts folder: the removal pass deletes it, and the
    // new one takes its name.
    Installed("A (TrueType)", "A", "C:\\WINDOWS\\Fonts\\a.ttf", "a.ttf");
    fake.SetReparseTag("C:\\WINDOWS\\Fonts\\a.ttf", win::kReparseTagWof);
    ASSERT_EQ(Run({Package("A", "a.ttf")}), 1);
    EXPECT_EQ(Value("A (TrueType)"), "a.ttf");
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\a1.ttf"));
    // A stray kept in the cloud, in a chosen folder: 上書き replaces it.
    fake.AddFile("C:\\MyFonts\\b.ttf", "stray");
    fake.SetReparseTag("C:\\MyFonts\\b.ttf", win::kReparseTagCloud);
    AnswerConflicts(win::kIdOk);
    ASSERT_EQ(Run({Package("B", "b.ttf")}, kChosen), 1);
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\b.ttf"), FontBytes("B"));
    // A symbolic link of a chosen font's name is no file to delete: 上書き stops the run.
    fake.AddFile("C:\\MyFonts\\c.ttf", "link");
    fake.SetReparseTag("C:\\MyFonts\\c.ttf", win::kReparseTagSymlink);
    EXPECT_EQ(Run({Package("C", "c.ttf")}, kChosen), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル C:\\MyFonts\\c.ttf の削除に失敗しました。"});
    EXPECT_EQ(fake.Contents("C:\\MyFonts\\c.ttf"), "link");
    // Nor one the removal pass meets: the old record goes, the link stays, and the new font is
    // numbered.
    fake.messageBoxes.clear();
    Installed("D (TrueType)", "D", "C:\\WINDOWS\\Fonts\\d.ttf", "d.ttf");
    fake.SetReparseTag("C:\\WINDOWS\\Fonts\\d.ttf", win::kReparseTagSymlink);
    ASSERT_EQ(Run({Package("D", "d.ttf")}), 1);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_TRUE(fake.FileExists("C:\\WINDOWS\\Fonts\\d.ttf"));
    EXPECT_EQ(Value("D (TrueType)"), "d1.ttf");
}

// --- failures in the copy loop ----------------------------------------------------------------

TEST_F(InstallTest, ACopyFailureShowsItsReasonAndEarlierFontsStay) {
    fake.LimitWrites("C:\\MyFonts\\b.ttf", 100);
    EXPECT_EQ(Run({Package("A", "a.ttf"), Package("B", "b.ttf", 2000)}, kChosen), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"ファイル「C:\\MyFonts\\b.ttf」の書き込みに失敗しました。"});
    EXPECT_FALSE(fake.FileExists("C:\\MyFonts\\b.ttf"));
    EXPECT_EQ(Value("A (TrueType)"), "C:\\MyFonts\\a.ttf");
    EXPECT_TRUE(fake.FontLoaded("C:\\MyFonts\\a.ttf"));
    EXPECT_EQ(fake.calls.back(), kBroadcast);
}

TEST_F(InstallTest, AFontThatWillNotLoadIsRemovedAgain) {
    fake.Fail("AddFontResourceA");
    EXPECT_EQ(Run({Package("A", "a.ttf")}), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"フォント「A」のインストールに失敗しました。"});
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\a.ttf"));
    EXPECT_EQ(Value("A (TrueType)"), "<none>");
    EXPECT_EQ(fake.calls.back(), kBroadcast);
}

TEST_F(InstallTest, AFontThatCannotBeRecordedIsUnloadedAndRemoved) {
    fake.Fail("RegSetValueExA");
    EXPECT_EQ(Run({Package("A", "a.ttf")}), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"レジストリの書き込みに失敗しました。"});
    EXPECT_EQ(Count("RemoveFontResourceA C:\\WINDOWS\\Fonts\\a.ttf"), 1);
    EXPECT_FALSE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\a.ttf"));
    EXPECT_FALSE(fake.FileExists("C:\\WINDOWS\\Fonts\\a.ttf"));
    EXPECT_EQ(fake.calls.back(), kBroadcast);
}

TEST_F(InstallTest, AFailedScanStopsBeforeAnythingChanges) {
    Installed("A (TrueType)", "A", "C:\\WINDOWS\\Fonts\\old.ttf", "old.ttf");
    fake.Fail("RegQueryInfoKeyA");
    EXPECT_EQ(Run({Package("A", "a.ttf")}), 0);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"レジストリの読み込みに失敗しました。"});
    EXPECT_EQ(Count(kBroadcast), 0);
    EXPECT_TRUE(fake.FontLoaded("C:\\WINDOWS\\Fonts\\old.ttf"));
}

}  // namespace

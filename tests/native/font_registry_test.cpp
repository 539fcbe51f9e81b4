#include "services/font_registry.h"

#include <gtest/gtest.h>

#include "process/globals.h"
#include "fake_fixture.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char k9xKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const void* const kOwner = reinterpret_cast<void*>(0x77);

class FontRegistryTest : public FakeWindowsTest {
  protected:
    // Value names of the NT key, in order.
    std::vector<std::string> Names(const char* key = kNtKey) const {
        std::vector<std::string> names;
        for (const fake::RegistryValue& value : *fake.Values(key)) {
            names.push_back(value.name);
        }
        return names;
    }
    std::string DataOf(const std::string& name) const {
        for (const fake::RegistryValue& value : *fake.Values(kNtKey)) {
            if (value.name == name) {
                return value.data;
            }
        }
        return "<none>";
    }
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : fake.calls) {
            if (call.rfind(prefix, 0) == 0) {
                found.push_back(call);
            }
        }
        return found;
    }
};

TEST_F(FontRegistryTest, TheKeyFollowsThePlatformFamily) {
    PlatformId = 1;
    EXPECT_STREQ(FontsKeyPath(), k9xKey);
    EXPECT_EQ(CanOpenFontsKey(), 1);
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "Nine", "C:\\WINDOWS\\Fonts\\nine.ttf"), 1);
    EXPECT_EQ(Names(k9xKey), std::vector<std::string>{"Nine (TrueType)"});
    EXPECT_TRUE(Names(kNtKey).empty());

    for (uint32_t id : {2u, 0u, 3u}) {
        PlatformId = id;
        EXPECT_STREQ(FontsKeyPath(), kNtKey) << "platform " << id;
    }
}

TEST_F(FontRegistryTest, CanOpenFontsKeyAsksForFullAccessAndClosesAtOnce) {
    EXPECT_EQ(CanOpenFontsKey(), 1);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{std::string("RegOpenKeyExA ") + kNtKey + " KEY_ALL_ACCESS",
                                        "RegCloseKey"}));
    EXPECT_EQ(fake.liveKeys, 0);

    // A user who may read the table but not change it.
    fake.readOnlyKeys.insert(kNtKey);
    EXPECT_EQ(CanOpenFontsKey(), 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.liveKeys, 0);
}

TEST_F(FontRegistryTest, AMissingKeyIsNeverCreated) {
    fake.RemoveKey(kNtKey);
    EXPECT_EQ(CanOpenFontsKey(), 0);
    EXPECT_EQ(WriteFontRegistryEntry(nullptr, "F", "C:\\WINDOWS\\Fonts\\f.ttf"), 0);
    EXPECT_EQ(fake.messageBoxes.at(0).text, "レジストリ書き込みのためのオープンに失敗しました。");
    std::string errorText;
    EXPECT_EQ(DeleteFontRegistryEntry("F", errorText), 0);
    EXPECT_EQ(errorText, "レジストリ削除のためのオープンに失敗しました。");
    EXPECT_EQ(fake.Values(kNtKey), nullptr);
}

TEST_F(FontRegistryTest, TheEndingFollowsTheExtensionWithoutRegardToCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\F\\a.ttf", " (TrueType)"},
        {"C:\\F\\a.TTC", " (TrueType)"},
        {"C:\\F\\a.Ttf", " (TrueType)"},
        {"C:\\F\\a.ttc", " (TrueType)"},
        {"C:\\F\\a.OTF", " (OpenType)"},
        {"C:\\F\\a.otf", " (OpenType)"},
        {"C:\\F\\a.fon", ""},
        {"C:\\F\\a.ttf.bak", ""},
        {"C:\\F\\noextension", ""},
        {"C:\\F.ttf\\noextension", ""},  // a period in a folder name is no extension
        {"a.otf", " (OpenType)"},
        {"C:a.ttf", " (TrueType)"},
        {"C:\\表\\ソフト.TTF", " (TrueType)"},  // trail bytes 0x5C in folder and name
        {"C:\\F\\.ttf", " (TrueType)"},
    };
    for (const auto& [path, ending] : cases) {
        EXPECT_EQ(NameEndingFor(path), ending) << path;
    }
}

TEST_F(FontRegistryTest, AFileDirectlyInTheFontsFolderIsStoredByNameOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\WINDOWS\\Fonts\\a.ttf", "a.ttf"},
        {"c:\\windows\\FONTS\\B.TTF", "B.TTF"},  // the shell's form differs in case only
        {"C:\\WINDOWS\\Fonts\\ソ表.otf", "ソ表.otf"},
        {"C:\\WINDOWS\\Fonts\\Sub\\a.ttf", "C:\\WINDOWS\\Fonts\\Sub\\a.ttf"},
        {"C:\\WINDOWS\\Fonts2\\a.ttf", "C:\\WINDOWS\\Fonts2\\a.ttf"},
        {"D:\\WINDOWS\\Fonts\\a.ttf", "D:\\WINDOWS\\Fonts\\a.ttf"},
        {"C:\\WINDOWS\\a.ttf", "C:\\WINDOWS\\a.ttf"},
        {"C:\\MyFonts\\表\\a.ttf", "C:\\MyFonts\\表\\a.ttf"},
    };
    for (const auto& [path, data] : cases) {
        EXPECT_EQ(RegistryDataFor(path), data) << path;
    }
}

TEST_F(FontRegistryTest, WriteStoresAStringValueWithItsTerminator) {
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "ソフト表示", "C:\\WINDOWS\\Fonts\\soft.ttc"), 1);
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "Other", "D:\\My Fonts\\o.OTF"), 1);
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "Bitmap", "C:\\WINDOWS\\Fonts\\b.fon"), 1);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"ソフト表示 (TrueType)", "Other (OpenType)", "Bitmap"}));
    EXPECT_EQ(DataOf("ソフト表示 (TrueType)"), std::string("soft.ttc") + '\0');
    EXPECT_EQ(DataOf("Other (OpenType)"), std::string("D:\\My Fonts\\o.OTF") + '\0');
    EXPECT_EQ(fake.Values(kNtKey)->front().type, 1u);  // REG_SZ
    EXPECT_EQ(CallsStartingWith("RegOpenKeyExA").front(),
              std::string("RegOpenKeyExA ") + kNtKey + " KEY_ALL_ACCESS");
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(FontRegistryTest, WriteOverwritesAValueOfTheSameName) {
    fake.AddStringValue(kNtKey, "Same (TrueType)", "old.ttf");
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "Same", "C:\\WINDOWS\\Fonts\\new.ttf"), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"Same (TrueType)"});
    EXPECT_EQ(DataOf("Same (TrueType)"), std::string("new.ttf") + '\0');
}

TEST_F(FontRegistryTest, WriteFailuresAreShownToTheOwner) {
    fake.readOnlyKeys.insert(kNtKey);
    EXPECT_EQ(WriteFontRegistryEntry(const_cast<void*>(kOwner), "F", "C:\\x\\f.ttf"), 0);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].text, "レジストリ書き込みのためのオープンに失敗しました。");
    EXPECT_EQ(fake.messageBoxes[0].owner, kOwner);
    EXPECT_EQ(fake.messageBoxes[0].caption, "フォントのインストール");
    EXPECT_EQ(fake.messageBoxes[0].style, 0x30u);
    EXPECT_TRUE(CallsStartingWith("RegSetValueExA").empty());

    fake.readOnlyKeys.clear();
    fake.Fail("RegSetValueExA");
    EXPECT_EQ(WriteFontRegistryEntry(const_cast<void*>(kOwner), "F", "C:\\x\\f.ttf"), 0);
    ASSERT_EQ(fake.messageBoxes.size(), 2u);
    EXPECT_EQ(fake.messageBoxes[1].text, "レジストリの書き込みに失敗しました。");
    EXPECT_EQ(fake.messageBoxes[1].owner, kOwner);
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_TRUE(Names().empty());
}

TEST_F(FontRegistryTest, DeleteTriesTheFiveEndingsInOrderAndStopsAtTheFirst) {
    fake.AddStringValue(kNtKey, "Face (Open Type)", "f.otf");
    std::string errorText = "kept";
    EXPECT_EQ(DeleteFontRegistryEntry("Face", errorText), 1);
    EXPECT_EQ(errorText, "kept");
    EXPECT_EQ(CallsStartingWith("RegDeleteValueA"),
              (std::vector<std::string>{"RegDeleteValueA Face (TrueType)",
                                        "RegDeleteValueA Face (OpenType)", "RegDeleteValueA Face",
                                        "RegDeleteValueA Face (True Type)",
                                        "RegDeleteValueA Face (Open Type)"}));
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(fake.liveKeys, 0);
}

TEST_F(FontRegistryTest, DeleteRemovesOneValuePerCall) {
    fake.AddStringValue(kNtKey, "表示", "plain.fon");
    fake.AddStringValue(kNtKey, "表示 (TrueType)", "hyouji.ttf");
    fake.AddStringValue(kNtKey, "表示X (TrueType)", "other.ttf");
    std::string errorText;
    ASSERT_EQ(DeleteFontRegistryEntry("表示", errorText), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"表示", "表示X (TrueType)"}));
    ASSERT_EQ(DeleteFontRegistryEntry("表示", errorText), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"表示X (TrueType)"});
    EXPECT_EQ(DeleteFontRegistryEntry("表示", errorText), 0);
    EXPECT_EQ(errorText, "インストール済みフォントのレジストリ削除に失敗しました。");
    EXPECT_EQ(Names(), std::vector<std::string>{"表示X (TrueType)"});
    EXPECT_EQ(fake.liveKeys, 0);
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(FontRegistryTest, DeleteReportsARefusedKeyInTheCallersText) {
    fake.AddStringValue(kNtKey, "F (TrueType)", "f.ttf");
    fake.readOnlyKeys.insert(kNtKey);
    std::string errorText = "replaced, not appended to";
    EXPECT_EQ(DeleteFontRegistryEntry("F", errorText), 0);
    EXPECT_EQ(errorText, "レジストリ削除のためのオープンに失敗しました。");
    EXPECT_EQ(Names(), std::vector<std::string>{"F (TrueType)"});
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(FontRegistryTest, DeleteRegistryValueTellsWhetherTheValueWent) {
    fake.AddStringValue(kNtKey, "A (TrueType)", "a.ttf");
    platform::KeyHandle key = nullptr;
    ASSERT_EQ(fake.OpenKey(kNtKey, 0xF003F, key), 0);
    EXPECT_EQ(DeleteRegistryValue(key, "A", " (OpenType)"), 0);
    EXPECT_EQ(DeleteRegistryValue(key, "A", " (TrueType)"), 1);
    EXPECT_EQ(DeleteRegistryValue(key, "A", " (TrueType)"), 0);
    fake.CloseKey(key);
}

}  // namespace

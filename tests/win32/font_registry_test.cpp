// The font table of a real (disposable) Wine prefix: values written, read back through the
// scans and deleted, with Japanese names whose second bytes are backslashes.
#include <string>
#include <vector>

#include "process/globals.h"
#include "catalogue/installed_fonts.h"
#include "platform/fake/fake_platform.h"
#include "services/folders.h"
#include "services/font_registry.h"
#include "win32_test_support.h"

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

class FontTableTest : public Win32Test {
  protected:
    FontTableTest() { PlatformId = 2; }
    ~FontTableTest() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNtKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            for (const std::string& name : written_) {
                RegDeleteValueA(key, name.c_str());
            }
            RegCloseKey(key);
        }
    }

    // A value set directly, removed again after the test.
    void SetRaw(const std::string& name, const std::string& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNtKey, 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        written_.push_back(name);
    }
    void Forget(const std::string& name) { written_.push_back(name); }

    // The value's data as stored, or "<none>".
    static std::string Raw(const std::string& name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNtKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return "<no key>";
        }
        char data[1024] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            return "<none>";
        }
        return type == REG_SZ ? std::string(data, size) : "<type " + std::to_string(type) + ">";
    }

    static const FontEntry* FindFont(const std::vector<FontEntry>& fonts, const std::string& name) {
        for (const FontEntry& font : fonts) {
            if (font.fontName == name) {
                return &font;
            }
        }
        return nullptr;
    }

  private:
    std::vector<std::string> written_;
};

TEST_F(FontTableTest, TheFontsKeyOpensWithFullAccess) {
    EXPECT_EQ(CanOpenFontsKey(), 1);
}

TEST_F(FontTableTest, WrittenValuesReadBackThroughTheScansAndGoAgain) {
    const std::string fonts = GetFontsFolder();
    Forget("ソフト表示テスト (TrueType)");
    Forget("表示ＦＩ (OpenType)");
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "ソフト表示テスト", fonts + "\\ソフト表示.TTF"), 1);
    ASSERT_EQ(WriteFontRegistryEntry(nullptr, "表示ＦＩ", "C:\\表示\\ソ.otf"), 1);
    // The terminator is part of what is stored.
    EXPECT_EQ(Raw("ソフト表示テスト (TrueType)"), std::string("ソフト表示.TTF", 15));
    EXPECT_EQ(Raw("表示ＦＩ (OpenType)"), std::string("C:\\表示\\ソ.otf", 15));

    std::vector<FontEntry> installed;
    ASSERT_EQ(ScanInstalledFonts(nullptr, installed), 1);
    const FontEntry* soft = FindFont(installed, "ソフト表示テスト");
    ASSERT_NE(soft, nullptr);
    EXPECT_EQ(soft->fileName, fonts + "\\ソフト表示.TTF");
    const FontEntry* hyouji = FindFont(installed, "表示ＦＩ");
    ASSERT_NE(hyouji, nullptr);
    EXPECT_EQ(hyouji->fileName, "C:\\表示\\ソ.otf");

    std::vector<std::string> files;
    ASSERT_EQ(ScanRegisteredFontFiles(nullptr, files), 1);
    EXPECT_NE(std::find(files.begin(), files.end(), "C:\\表示\\ソ.otf"), files.end());

    std::string errorText = "kept";
    EXPECT_EQ(DeleteFontRegistryEntry("ソフト表示テスト", errorText), 1);
    EXPECT_EQ(DeleteFontRegistryEntry("表示ＦＩ", errorText), 1);
    EXPECT_EQ(errorText, "kept");
    EXPECT_EQ(Raw("ソフト表示テスト (TrueType)"), "<none>");
    EXPECT_EQ(Raw("表示ＦＩ (OpenType)"), "<none>");
    EXPECT_EQ(DeleteFontRegistryEntry("表示ＦＩ", errorText), 0);
    EXPECT_EQ(errorText, "インストール済みフォントのレジストリ削除に失敗しました。");
}

TEST_F(FontTableTest, DeleteTakesOneValuePerCallInTheOrderOfTheEndings) {
    SetRaw("ＦＩ削除", "plain.fon");
    SetRaw("ＦＩ削除 (Open Type)", "spaced.otf");
    SetRaw("ＦＩ削除 (TrueType)", "tt.ttf");
    std::string errorText;
    ASSERT_EQ(DeleteFontRegistryEntry("ＦＩ削除", errorText), 1);
    EXPECT_EQ(Raw("ＦＩ削除 (TrueType)"), "<none>");
    EXPECT_NE(Raw("ＦＩ削除"), "<none>");
    ASSERT_EQ(DeleteFontRegistryEntry("ＦＩ削除", errorText), 1);
    EXPECT_EQ(Raw("ＦＩ削除"), "<none>");
    EXPECT_NE(Raw("ＦＩ削除 (Open Type)"), "<none>");
    ASSERT_EQ(DeleteFontRegistryEntry("ＦＩ削除", errorText), 1);
    EXPECT_EQ(Raw("ＦＩ削除 (Open Type)"), "<none>");
}

TEST_F(FontTableTest, LongDoubleByteNamesFitTheScanBuffers) {
    // RegQueryInfoKeyA counts the longest name in characters; the scan's buffer of twice that
    // must hold the name in code page 932 (two bytes a character here).
    std::string name;
    for (int i = 0; i < 120; ++i) {
        name += "表";
    }
    std::string data = "C:\\";
    for (int i = 0; i < 100; ++i) {
        data += "ソ";
    }
    data += ".ttf";
    SetRaw(name, data);

    platform::KeyHandle key = nullptr;
    platform::Registry& registry = platform::Current().registry;
    ASSERT_EQ(registry.OpenKey(kNtKey, KEY_READ, key), ERROR_SUCCESS);
    platform::KeyInfo info;
    ASSERT_EQ(registry.QueryInfoKey(key, info), ERROR_SUCCESS);
    registry.CloseKey(key);
    std::printf("longest name %u, longest data %u, values %u\n",
                static_cast<unsigned>(info.maxValueNameLength),
                static_cast<unsigned>(info.maxValueDataLength), static_cast<unsigned>(info.values));
    EXPECT_GE(info.maxValueNameLength, 120u);
    EXPECT_GE(info.maxValueDataLength + 1, data.size() + 1);

    // The fake counts the same way: characters for names, UTF-16 bytes for string data.
    fake::FakePlatform model;
    model.AddStringValue(kNtKey, name, data);
    platform::KeyInfo modelled;
    ASSERT_EQ(model.OpenKey(kNtKey, KEY_READ, key), ERROR_SUCCESS);
    ASSERT_EQ(model.QueryInfoKey(key, modelled), ERROR_SUCCESS);
    model.CloseKey(key);
    EXPECT_EQ(modelled.maxValueNameLength, info.maxValueNameLength);
    EXPECT_EQ(modelled.maxValueDataLength, info.maxValueDataLength);

    std::vector<FontEntry> installed;
    ASSERT_EQ(ScanInstalledFonts(nullptr, installed), 1);
    const FontEntry* found = FindFont(installed, name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->fileName, data);
}

TEST_F(FontTableTest, ThePrefixsOwnTableScansAsTheKeyHoldsIt) {
    // Every value counts as a registered file; the installed fonts are the values with a type
    // suffix or a font extension. Checked against a plain wide-character enumeration.
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                      0, KEY_READ, &key),
        ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    std::vector<std::string> files;
    ASSERT_EQ(ScanRegisteredFontFiles(nullptr, files), 1);
    std::vector<FontEntry> installed;
    ASSERT_EQ(ScanInstalledFonts(nullptr, installed), 1);
    std::printf("the prefix's font table: %u values, %u fonts\n", static_cast<unsigned>(values),
                static_cast<unsigned>(installed.size()));
    EXPECT_EQ(files.size(), values);
    EXPECT_LE(installed.size(), files.size());
    for (const FontEntry& font : installed) {
        EXPECT_FALSE(font.fontName.empty());
        EXPECT_TRUE(font.fileName.size() >= 2 &&
                    (font.fileName[1] == ':' || font.fileName[0] == '\\'))
            << font.fileName;
    }
}

}  // namespace

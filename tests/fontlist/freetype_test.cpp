// The name reader against FreeType's: the records it keeps in FreeType's order, with its text,
// for the generated test fonts and for every font installed on this machine (IPA, DejaVu).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fontlist/checks.h"
#include "fontlist/make.h"
#include "fontlist/sfnt_names.h"

namespace {

std::vector<std::string> FontFilesUnder(const std::string& folder) {
    std::vector<std::string> found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return found;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + "/" + name;
        if (fontlist::IsFontFileName(name)) {
            found.push_back(path);
        } else {
            for (const std::string& inner : FontFilesUnder(path)) {
                found.push_back(inner);
            }
        }
    }
    closedir(dir);
    return found;
}

// FreeType's raw string in the reader's terms: UTF-16BE for Unicode and Windows records, bytes
// for Macintosh Roman ones (compared only where they are ASCII, which needs no table).
std::u16string Text(const FT_SfntName& name, bool& comparable) {
    std::u16string text;
    comparable = true;
    if (name.platform_id == 0 || name.platform_id == 3) {
        for (FT_UInt i = 0; i + 1 < name.string_len; i += 2) {
            text += static_cast<char16_t>((name.string[i] << 8) | name.string[i + 1]);
        }
    } else {
        for (FT_UInt i = 0; i < name.string_len; ++i) {
            comparable = comparable && name.string[i] < 0x80;
            text += static_cast<char16_t>(name.string[i]);
        }
    }
    return text;
}

class AgainstFreeType : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library_), 0); }
    void TearDown() override { FT_Done_FreeType(library_); }

    // Compares every face of the file; returns how many records were compared.
    int Compare(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        fontlist::FontFile font;
        EXPECT_EQ(fontlist::ReadFontFile(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                         bytes.size(), font),
                  fontlist::FontError::kNone)
            << path;
        int compared = 0;
        for (FT_Long index = 0;; ++index) {
            FT_Face face = nullptr;
            if (FT_New_Face(library_, path.c_str(), index, &face) != 0) {
                ADD_FAILURE() << path << ": FreeType cannot open face " << index;
                break;
            }
            const FT_Long faces = face->num_faces;
            EXPECT_EQ(static_cast<std::size_t>(faces), font.faces.size()) << path;
            if (static_cast<std::size_t>(index) < font.faces.size()) {
                const std::vector<fontlist::NameRecord>& ours = font.faces[index].names;
                // The reader keeps, in file order, only records the system's names can come
                // from: each must be the next FreeType record with the same ids.
                std::size_t j = 0;
                const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
                for (FT_UInt i = 0; i < count && j < ours.size(); ++i) {
                    FT_SfntName name;
                    EXPECT_EQ(FT_Get_Sfnt_Name(face, i, &name), 0);
                    if (name.platform_id != ours[j].platformId ||
                        name.encoding_id != ours[j].encodingId ||
                        name.language_id != ours[j].languageId || name.name_id != ours[j].nameId) {
                        continue;
                    }
                    EXPECT_TRUE(fontlist::SystemReads(ours[j], font.faces[index].windowsCmap));
                    bool comparable = false;
                    const std::u16string text =
                        Text(name, comparable).substr(0, fontlist::kMaxNameUnits);
                    if (ours[j].decoded && comparable) {
                        EXPECT_TRUE(text == ours[j].text)
                            << path << " face " << index << " record " << i;
                        ++compared;
                    }
                    ++j;
                }
                EXPECT_EQ(j, ours.size()) << path << " face " << index;
            }
            FT_Done_Face(face);
            if (index + 1 >= faces) {
                break;
            }
        }
        return compared;
    }

    FT_Library library_ = nullptr;
};

TEST_F(AgainstFreeType, TestFontsHaveTheSameRecords) {
    const std::vector<std::string> files = FontFilesUnder(FL_TEST_FONTS);
    ASSERT_EQ(files.size(), 7u);
    int compared = 0;
    for (const std::string& path : files) {
        compared += Compare(path);
    }
    EXPECT_GT(compared, 7 * 3);
    std::printf("%zu test font files, %d records compared\n", files.size(), compared);
}

TEST_F(AgainstFreeType, InstalledFontsHaveTheSameRecords) {
    const std::vector<std::string> files = FontFilesUnder("/usr/share/fonts");
    int compared = 0;
    bool ipa = false;
    bool dejavu = false;
    for (const std::string& path : files) {
        ipa = ipa || path.find("ipa") != std::string::npos;
        dejavu = dejavu || path.find("DejaVu") != std::string::npos;
        compared += Compare(path);
    }
    EXPECT_TRUE(ipa) << "the IPA fonts are installed by .ci/setup";
    EXPECT_TRUE(dejavu);
    EXPECT_GT(compared, 100);
    std::printf("%zu installed font files, %d records compared\n", files.size(), compared);
}

}  // namespace

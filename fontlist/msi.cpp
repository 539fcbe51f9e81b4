#include "fontlist/msi.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>

#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "common/file_names.h"
#include "fontlist/cli.h"
#include "fontlist/cp932_convert.h"
#include "fontlist/gdi_name.h"
#include "fontlist/installer_lines.h"

namespace fontlist {

namespace {

// This tool's own namespace for the GUIDs it derives.
const Guid kNamespace = "{70DFEA1D-D84D-4977-9070-8B599D69E2F2}";
const std::string kFontList = "FontList.txt";
const std::string kCabinet = "fonts.cab";
const std::string kPackage = "package.msi";
// msidbComponentAttributesPermanent
constexpr int kPermanent = 0x10;
// The longest product name taken from the families: the summary holds 255 bytes.
constexpr std::size_t kMaxDefaultName = 255;

std::uint32_t Rotate(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

std::array<std::uint8_t, 20> Sha1(const std::string& message) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string data = message;
    data += '\x80';
    while (data.size() % 64 != 56) {
        data += '\0';
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
    for (int i = 7; i >= 0; --i) {
        data += static_cast<char>((bits >> (i * 8)) & 0xFF);
    }
    for (std::size_t block = 0; block < data.size(); block += 64) {
        std::uint32_t w[80];
        for (std::size_t i = 0; i < 16; ++i) {
            w[i] = 0;
            for (std::size_t j = 0; j < 4; ++j) {
                w[i] = (w[i] << 8) | static_cast<std::uint8_t>(data[block + i * 4 + j]);
            }
        }
        for (int i = 16; i < 80; ++i) {
            w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            std::uint32_t f = 0;
            std::uint32_t k = 0;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const std::uint32_t next = Rotate(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotate(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<std::uint8_t, 20> digest{};
    for (int i = 0; i < 20; ++i) {
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - (i % 4) * 8));
    }
    return digest;
}

Guid Format(const std::uint8_t* bytes) {
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        text += hex;
        if (i == 3 || i == 5 || i == 7 || i == 9) {
            text += '-';
        }
    }
    return text + "}";
}

// The first 16 bytes as a GUID of that version, with the RFC 4122 variant.
Guid Stamped(const std::uint8_t* source, int version) {
    std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        bytes[i] = source[i];
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | (version << 4));
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return Format(bytes);
}

// A GUID in network byte order, as RFC 4122 hashes it.
std::string GuidBytes(const Guid& guid) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < guid.size(); ++i) {
        if (std::isxdigit(static_cast<unsigned char>(guid[i])) != 0) {
            bytes += static_cast<char>(std::stoi(guid.substr(i, 2), nullptr, 16));
            ++i;
        }
    }
    return bytes;
}

std::string Utf8(const std::string& cp932) {
    return ToUtf8(FromCp932(cp932));
}

// Columns as Microsoft's schema gives them: name, type, then the _Validation category, minimum,
// maximum, key table, key column, set and description.
MsiColumn Column(const std::string& name, const std::string& type, const std::string& category,
                 const std::string& description) {
    return MsiColumn{name, type, category, "", "", "", "", "", description};
}

MsiColumn Key(const std::string& name, const std::string& type, const std::string& table,
              const std::string& description) {
    return MsiColumn{name, type, "Identifier", "", "", table, "1", "", description};
}

MsiColumn Number(const std::string& name, const std::string& type, const std::string& minValue,
                 const std::string& maxValue, const std::string& description) {
    const std::string category = type == "i4" || type == "I4" ? "DoubleInteger" : "";
    return MsiColumn{name, type, category, minValue, maxValue, "", "", "", description};
}

MsiTable SequenceTable(const std::string& name,
                       const std::vector<std::pair<std::string, int>>& actions) {
    MsiTable table{name,
                   {Column("Action", "s72", "Identifier", "Name of the action"),
                    Column("Condition", "S255", "Condition", "When the action runs"),
                    Number("Sequence", "I2", "-4", "32767", "Where in the sequence it runs")},
                   1,
                   {}};
    for (const auto& [action, sequence] : actions) {
        table.rows.push_back({action, "", std::to_string(sequence)});
    }
    return table;
}

// The _Validation table's own columns, and one row for every column of every table.
MsiTable ValidationTable(const std::vector<MsiTable>& tables) {
    MsiTable validation{
        "_Validation",
        {Column("Table", "s32", "Identifier", "Name of the table"),
         Column("Column", "s32", "Identifier", "Name of the column"),
         MsiColumn{"Nullable", "s4", "", "", "", "", "", "Y;N", "Whether it may be null"},
         Number("MinValue", "I4", "-2147483647", "2147483647", "Least value of a number"),
         Number("MaxValue", "I4", "-2147483647", "2147483647", "Greatest value of a number"),
         Column("KeyTable", "S255", "Identifier", "Tables the value is a key of"),
         Number("KeyColumn", "I2", "1", "32", "Column of those tables"),
         MsiColumn{"Category", "S32", "", "", "", "", "",
                   "Text;Formatted;Template;Condition;Guid;Path;Version;Language;Identifier;"
                   "Binary;UpperCase;LowerCase;Filename;Paths;AnyPath;WildCardFilename;RegPath;"
                   "CustomSource;Property;Cabinet;Shortcut;FormattedSDDLText;Integer;"
                   "DoubleInteger;TimeDate;DefaultDir",
                   "Kind of string"},
         Column("Set", "S255", "Text", "The values allowed"),
         Column("Description", "S255", "Text", "What the column holds")},
        2,
        {}};
    std::vector<const MsiTable*> described;
    for (const MsiTable& table : tables) {
        described.push_back(&table);
    }
    described.push_back(&validation);
    for (const MsiTable* table : described) {
        for (const MsiColumn& column : table->columns) {
            const bool nullable = std::isupper(static_cast<unsigned char>(column.type[0])) != 0;
            validation.rows.push_back({table->name, column.name, nullable ? "Y" : "N",
                                       column.minValue, column.maxValue, column.keyTable,
                                       column.keyColumn, column.category, column.set,
                                       column.description});
        }
    }
    return validation;
}

// Whether Windows Installer reads the font's title from the file itself.
bool NamesItself(const std::string& fileName) {
    return EndsWithIgnoreCase(fileName, ".ttf") || EndsWithIgnoreCase(fileName, ".ttc") ||
           EndsWithIgnoreCase(fileName, ".otf");
}

bool IsShortName(const std::string& name) {
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        extension.find('.') != std::string::npos) {
        return false;
    }
    for (char c : base + extension) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_' && c != '-') {
            return false;
        }
    }
    return true;
}

// ASCII case does not tell two names apart; a trail byte is never folded.
std::string FoldedName(const std::string& name) {
    std::string key = name;
    for (std::size_t i = 0; i < key.size(); i = cp932::NextCharIndex(key, i)) {
        if (cp932::NextCharIndex(key, i) == i + 1 && key[i] >= 'a' && key[i] <= 'z') {
            key[i] = static_cast<char>(key[i] - 'a' + 'A');
        }
    }
    return key;
}

// The FileName column of every target: the name itself where it is a valid 8.3 name, else a
// numbered short name before it, for volumes without long names, that is no other file's name.
std::vector<std::string> FileNameColumns(const std::vector<std::string>& targets) {
    std::set<std::string> taken;
    for (const std::string& target : targets) {
        taken.insert(FoldedName(target));
    }
    std::vector<std::string> columns;
    std::size_t number = 0;
    for (const std::string& target : targets) {
        if (IsShortName(target)) {
            columns.push_back(target);
            continue;
        }
        std::string extension;
        const std::size_t dot = target.rfind('.');
        for (std::size_t i = dot + 1; dot != std::string::npos && i < target.size(); ++i) {
            if (extension.size() < 3 && std::isalnum(static_cast<unsigned char>(target[i])) != 0) {
                extension += static_cast<char>(std::toupper(static_cast<unsigned char>(target[i])));
            }
        }
        std::string shortName;
        do {
            char numbered[16];
            std::snprintf(numbered, sizeof numbered, "F%07zu", ++number);
            shortName = numbered + (extension.empty() ? "" : "." + extension);
        } while (!taken.insert(shortName).second);
        columns.push_back(shortName + "|" + Utf8(target));
    }
    return columns;
}

// The same font file name in the Fonts folder is one component in every package that installs
// it, so Windows keeps the file until the last product that needs it is removed.
Guid ComponentIdFor(const std::string& target) {
    return NameBasedGuid(kNamespace, "FontsFolder\\" + FoldedName(target));
}

// The first column value no text archive can carry: a tab, a line break or another control
// character would end its field or its row.
std::string UnwritableField(const std::vector<MsiTable>& tables) {
    for (const MsiTable& table : tables) {
        for (const std::vector<std::string>& row : table.rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                for (char c : row[i]) {
                    if (static_cast<unsigned char>(c) < 0x20) {
                        return table.name + "." + table.columns[i].name;
                    }
                }
            }
        }
    }
    return "";
}

// The manufacturer record a font gives, by the same preference as its names: Japanese, then
// English, then the first the system reads.
const NameRecord* Manufacturer(const FaceInfo& face) {
    const NameRecord* chosen = nullptr;
    int rank = 0;
    for (const NameRecord& record : face.names) {
        if (record.nameId != 8 || !record.decoded || record.text.empty() ||
            !SystemReads(record, face.windowsCmap)) {
            continue;
        }
        const int recordRank = record.languageId == 0x0411   ? 3
                               : record.languageId == 0x0409 ? 2
                                                             : 1;
        if (recordRank > rank) {
            chosen = &record;
            rank = recordRank;
        }
    }
    return chosen;
}

// A name as CP932 text, or empty when a character has no exact CP932 form.
std::string ExactCp932(const std::u16string& text) {
    for (char16_t unit : text) {
        if (!ConvertUnit(unit).exact) {
            return "";
        }
    }
    return ToCp932(text);
}

}  // namespace

std::string ArchiveText(const MsiTable& table, bool withRows) {
    std::string names;
    std::string types;
    std::string keys = table.name;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        names += (i == 0 ? "" : "\t") + table.columns[i].name;
        types += (i == 0 ? "" : "\t") + table.columns[i].type;
        if (i < table.keys) {
            keys += "\t" + table.columns[i].name;
        }
    }
    std::string text = names + "\r\n" + types + "\r\n" + keys + "\r\n";
    for (std::size_t r = 0; withRows && r < table.rows.size(); ++r) {
        for (std::size_t i = 0; i < table.rows[r].size(); ++i) {
            text += (i == 0 ? "" : "\t") + table.rows[r][i];
        }
        text += "\r\n";
    }
    return text;
}

std::string CodepageArchive(int codepage) {
    return "\r\n\r\n" + std::to_string(codepage) + "\t_ForceCodepage\r\n";
}

std::string SummaryArchive(const MsiTables& tables) {
    std::string text = "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n";
    for (const auto& [id, value] : tables.summary) {
        text += std::to_string(id) + "\t" + value + "\r\n";
    }
    return text;
}

Guid NameBasedGuid(const Guid& space, const std::string& name) {
    return Stamped(Sha1(GuidBytes(space) + name).data(), 5);
}

Guid RandomGuid(const std::uint8_t (&random)[16]) {
    return Stamped(random, 4);
}

bool IsProductVersion(const std::string& version) {
    const unsigned limits[] = {255, 255, 65535};
    std::size_t field = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(version.find('.', start), version.size());
        const std::string digits = version.substr(start, end - start);
        if (field >= 3 || digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(digits) > limits[field]) {
            return false;
        }
        ++field;
        if (end == version.size()) {
            return field >= 2;
        }
        start = end + 1;
    }
}

Guid UpgradeCodeFor(const std::string& manufacturer, const std::string& productName) {
    return NameBasedGuid(kNamespace, "UpgradeCode\n" + manufacturer + "\n" + productName);
}

MsiDefaults DefaultNames(const std::vector<FontFile>& fonts) {
    MsiDefaults defaults;
    std::set<std::u16string> makers;
    std::set<std::string> families;
    for (const FontFile& font : fonts) {
        for (const FaceInfo& face : font.faces) {
            if (const NameRecord* maker = Manufacturer(face)) {
                makers.insert(maker->text);
            }
            const FamilyName family = ChooseFamilyName(face);
            if (family.found && families.insert(family.ansi).second) {
                defaults.productName += (families.size() == 1 ? "" : ", ") + family.ansi;
            }
        }
    }
    if (makers.size() == 1) {
        defaults.manufacturer = ExactCp932(*makers.begin());
    }
    if (defaults.productName.size() > kMaxDefaultName) {
        defaults.productName.clear();
    }
    return defaults;
}

MsiTables MakeMsiTables(const std::vector<MsiFont>& fonts, const MsiSettings& settings) {
    MsiTables tables;
    std::uint64_t bytes = 0;
    for (const MsiFont& font : fonts) {
        bytes += font.size;
    }
    if (fonts.size() > kMaxMsiFonts) {
        tables.refused = "フォントファイルが" + std::to_string(fonts.size()) +
                         "個あります。1つのパッケージに入るのは65535個までです。";
        return tables;
    }
    if (bytes > kMaxMsiBytes) {
        tables.refused = "フォントファイルが合わせて" + std::to_string(bytes) +
                         "バイトあります。1つのパッケージに入るのは2147483647バイト（2 GB）未満"
                         "です。";
        return tables;
    }
    tables.upgradeCode = UpgradeCodeFor(settings.manufacturer, settings.productName);

    // Summary information: the strings are stored as given, so they are given in the code page
    // the package names (1); word count 2 says the files are compressed in the cabinet.
    tables.summary = {{1, std::to_string(tables.codepage)},
                      {2, "Installation Database"},
                      {3, settings.productName},
                      {4, settings.manufacturer},
                      {5, "Installer, Fonts"},
                      {7, "Intel;1041"},
                      {9, settings.packageCode},
                      {14, "200"},
                      {15, "2"},
                      {18, "fontlist"},
                      {19, "2"}};

    // Strings are stored in code page 932, which every Windows converts to Unicode the same way:
    // the names keep their CP932 bytes on a Japanese system and read right on any other.
    MsiTable property{"Property",
                      {Column("Property", "s72", "Identifier", "Name of the property"),
                       Column("Value", "l0", "Text", "Its value, never empty")},
                      1,
                      {{"ProductCode", settings.productCode},
                       {"ProductName", Utf8(settings.productName)},
                       {"ProductVersion", settings.version},
                       {"Manufacturer", Utf8(settings.manufacturer)},
                       {"ProductLanguage", "1041"},
                       {"UpgradeCode", tables.upgradeCode},
                       {"ALLUSERS", "1"},
                       {"ARPNOMODIFY", "1"},
                       {"SecureCustomProperties", "OLDERFOUND;NEWERFOUND"}}};

    MsiTable directory{"Directory",
                       {Column("Directory", "s72", "Identifier", "Name of the directory"),
                        Key("Directory_Parent", "S72", "Directory", "The directory it lies in"),
                        Column("DefaultDir", "l255", "DefaultDir", "Its name")},
                       1,
                       {{"TARGETDIR", "", "SourceDir"}, {"FontsFolder", "TARGETDIR", "."}}};

    // Not advertised: a font is of no use until its file is there.
    MsiTable feature{
        "Feature",
        {Column("Feature", "s38", "Identifier", "Name of the feature"),
         Key("Feature_Parent", "S38", "Feature", "The feature it belongs to"),
         Column("Title", "L64", "Text", "Its title"),
         Column("Description", "L255", "Text", "Its description"),
         Number("Display", "I2", "0", "32767", "Where it is shown"),
         Number("Level", "i2", "0", "32767", "Its install level"),
         MsiColumn{"Directory_", "S72", "UpperCase", "", "", "Directory", "1", "",
                   "The directory its user may change"},
         MsiColumn{"Attributes", "i2", "", "", "", "", "",
                   "0;1;2;4;5;6;8;9;10;16;17;18;20;21;22;24;25;26;32;33;34;36;37;38;48;49;50;52;"
                   "53;54",
                   "How it is installed"}},
        1,
        {{"Fonts", "", "Fonts", "", "1", "1", "", "8"}}};

    MsiTable component{
        "Component",
        {Column("Component", "s72", "Identifier", "Name of the component"),
         Column("ComponentId", "S38", "Guid", "Its GUID"),
         Key("Directory_", "s72", "Directory", "Where it is installed"),
         Number("Attributes", "i2", "", "", "How it is installed and removed"),
         Column("Condition", "S255", "Condition", "When it is installed"),
         Key("KeyPath", "S72", "File;Registry;ODBCDataSource", "The file that stands for it")},
        1,
        {}};
    MsiTable featureComponents{"FeatureComponents",
                               {Key("Feature_", "s38", "Feature", "The feature"),
                                Key("Component_", "s72", "Component", "A component of it")},
                               2,
                               {}};
    MsiTable file{
        "File",
        {Column("File", "s72", "Identifier", "Name of the file in the package and the cabinet"),
         Key("Component_", "s72", "Component", "The component it belongs to"),
         Column("FileName", "l255", "Filename", "Its short and long name"),
         Number("FileSize", "i4", "0", "2147483647", "Its size in bytes"),
         MsiColumn{"Version", "S72", "Version", "", "", "File", "1", "", "Its version"},
         Column("Language", "S20", "Language", "Its languages"),
         Number("Attributes", "I2", "0", "32767", "How it is stored"),
         Number("Sequence", "i4", "1", "2147483647", "Its place in the cabinet")},
        1,
        {}};
    MsiTable font{"Font",
                  {Key("File_", "s72", "File", "The font file"),
                   Column("FontTitle", "S128", "Text", "Its title, where it names none itself")},
                  1,
                  {}};
    std::vector<std::string> targets;
    for (const MsiFont& entry : fonts) {
        targets.push_back(TargetFileName(entry.fileName));
    }
    const std::vector<std::string> fileNames = FileNameColumns(targets);
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        const std::string key = "Font" + std::to_string(i + 1);
        // Permanent: Windows Installer counts no other owner of a font file, so a font of the same
        // name that was there before (from the installer, by hand) would go with the package.
        component.rows.push_back(
            {key, ComponentIdFor(targets[i]), "FontsFolder", std::to_string(kPermanent), "", key});
        featureComponents.rows.push_back({"Fonts", key});
        file.rows.push_back({key, key, fileNames[i], std::to_string(fonts[i].size), "", "", "0",
                             std::to_string(i + 1)});
        // A TrueType or OpenType file names itself: a title of ours would register it twice.
        font.rows.push_back({key, NamesItself(targets[i]) ? "" : Utf8(fonts[i].faceName)});
        tables.cabinetKeys.push_back(key);
    }

    MsiTable media{"Media",
                   {Number("DiskId", "i2", "1", "32767", "Number of the medium"),
                    Number("LastSequence", "i4", "0", "2147483647", "Its last file"),
                    Column("DiskPrompt", "L64", "Text", "Its name when it is asked for"),
                    Column("Cabinet", "S255", "Cabinet", "Its cabinet"),
                    Column("VolumeLabel", "S32", "Text", "Its volume label"),
                    Column("Source", "S72", "Property", "Its source")},
                   1,
                   {{"1", std::to_string(fonts.size()), "", "#" + kCabinet, "", ""}}};

    // A major upgrade: every earlier build up to this version is removed first; a later version
    // already installed stops this one.
    MsiTable upgrade{"Upgrade",
                     {Column("UpgradeCode", "s38", "Guid", "The products found"),
                      Column("VersionMin", "S20", "Text", "Their least version"),
                      Column("VersionMax", "S20", "Text", "Their greatest version"),
                      Column("Language", "S255", "Language", "Their languages"),
                      Number("Attributes", "i4", "0", "2147483647", "How versions compare"),
                      Column("Remove", "S255", "Formatted", "The features removed"),
                      Column("ActionProperty", "s72", "UpperCase", "Property set when found")},
                     5,
                     {{tables.upgradeCode, "", settings.version, "", "512", "", "OLDERFOUND"},
                      {tables.upgradeCode, settings.version, "", "", "2", "", "NEWERFOUND"}}};
    MsiTable launch{
        "LaunchCondition",
        {Column("Condition", "s255", "Condition", "What must hold"),
         Column("Description", "l255", "Formatted", "What is said when it does not")},
        1,
        {{"NOT NEWERFOUND", Utf8("この製品の新しいバージョンがすでにインストールされています。")}}};

    tables.tables = {property, directory, feature, component, featureComponents,
                     file,     font,      media,   upgrade,   launch};
    tables.tables.push_back(
        SequenceTable("InstallExecuteSequence", {{"FindRelatedProducts", 25},
                                                 {"LaunchConditions", 100},
                                                 {"ValidateProductID", 700},
                                                 {"CostInitialize", 800},
                                                 {"FileCost", 900},
                                                 {"CostFinalize", 1000},
                                                 {"InstallValidate", 1400},
                                                 {"RemoveExistingProducts", 1401},
                                                 {"InstallInitialize", 1500},
                                                 {"ProcessComponents", 1600},
                                                 {"UnpublishFeatures", 1800},
                                                 {"UnregisterFonts", 2500},
                                                 {"RemoveFiles", 3500},
                                                 {"InstallFiles", 4000},
                                                 {"RegisterFonts", 5300},
                                                 {"RegisterProduct", 6100},
                                                 {"PublishFeatures", 6300},
                                                 {"PublishProduct", 6400},
                                                 {"InstallFinalize", 6600}}));
    tables.tables.push_back(SequenceTable("InstallUISequence", {{"FindRelatedProducts", 25},
                                                                {"LaunchConditions", 100},
                                                                {"ValidateProductID", 700},
                                                                {"CostInitialize", 800},
                                                                {"FileCost", 900},
                                                                {"CostFinalize", 1000},
                                                                {"ExecuteAction", 1300}}));
    tables.tables.push_back(SequenceTable("AdminExecuteSequence", {{"CostInitialize", 800},
                                                                   {"FileCost", 900},
                                                                   {"CostFinalize", 1000},
                                                                   {"InstallValidate", 1400},
                                                                   {"InstallInitialize", 1500},
                                                                   {"InstallAdminPackage", 3900},
                                                                   {"InstallFiles", 4000},
                                                                   {"InstallFinalize", 6600}}));
    tables.tables.push_back(ValidationTable(tables.tables));

    const std::string unwritable = UnwritableField(tables.tables);
    if (!unwritable.empty()) {
        tables.refused =
            unwritable + "の値に制御文字（タブ、改行など）があり、パッケージに書けません。";
    }
    return tables;
}

namespace {

struct MsiArguments {
    std::string folder;
    std::string output;
    std::string productName;
    std::string manufacturer;
    std::string version = "1.0.0";
    bool valid = true;
};

MsiArguments ParseMsiArguments(const std::vector<std::string>& args) {
    MsiArguments parsed;
    int folders = 0;
    for (std::size_t i = 1; i < args.size() && parsed.valid; ++i) {
        std::string* value = nullptr;
        if (args[i] == "--output") {
            value = &parsed.output;
        } else if (args[i] == "--product-name") {
            value = &parsed.productName;
        } else if (args[i] == "--manufacturer") {
            value = &parsed.manufacturer;
        } else if (args[i] == "--product-version") {
            value = &parsed.version;
        }
        if (value != nullptr) {
            parsed.valid = i + 1 < args.size() && !args[i + 1].empty();
            *value = parsed.valid ? args[++i] : "";
        } else if (args[i].compare(0, 2, "--") == 0) {
            parsed.valid = false;
        } else {
            parsed.folder = args[i];
            parsed.valid = ++folders == 1;
        }
    }
    return parsed;
}

// A name for the Property table and the summary: CP932 text without control characters.
bool ProductText(MsiTools& tools, Host& host, const std::string& what, const std::string& given,
                 std::string& text) {
    bool usable = tools.ArgumentText(given, text);
    for (char c : text) {
        usable = usable && static_cast<unsigned char>(c) >= 0x20;
    }
    if (!usable) {
        host.Print("error: " + what + Quote(text) +
                   "には、パッケージに書けない文字（CP932にない文字や制御文字）があります。");
    }
    return usable;
}

int BuildMsi(const MsiArguments& arguments, Host& host, MsiTools& tools) {
    if (!host.FolderExists()) {
        host.Print("error: フォルダ「" + host.FolderName() + "」がありません。");
        return 2;
    }
    MsiSettings settings;
    if ((!arguments.productName.empty() &&
         !ProductText(tools, host, "製品名", arguments.productName, settings.productName)) ||
        (!arguments.manufacturer.empty() &&
         !ProductText(tools, host, "製造元", arguments.manufacturer, settings.manufacturer))) {
        return 2;
    }
    settings.version = arguments.version;
    if (!IsProductVersion(settings.version)) {
        host.Print("error: バージョン" + Quote(settings.version) +
                   "はWindows Installerのバージョンではありません。1.0.0 のように、255以下.255以下."
                   "65535以下の数で書いてください。");
        return 2;
    }
    std::string contents;
    if (!host.Read(kFontList, contents)) {
        host.Print("FontList.txt: error: FontList.txtを読めません。");
        return 2;
    }
    FontFiles files(host);
    const CheckResult result = CheckFontList(contents, files, nullptr);
    for (const Finding& finding : result.findings) {
        host.Print(FormatFinding(finding));
    }
    if (result.HasError()) {
        host.Print("結果: 直すべき点があるため、パッケージを書きません。");
        return 1;
    }

    // The fonts in the order of FontList.txt, with their sizes and names, before anything is
    // written.
    std::vector<MsiFont> fonts;
    std::vector<FontFile> read;
    FontListLineParser parser;
    for (const Piece& piece : InstallerPieces(contents)) {
        FontEntry entry;
        if (!parser.Parse(piece.text.c_str(), entry)) {
            continue;
        }
        const std::unique_ptr<FontData> data = host.Open(entry.fileName);
        FontFile font;
        if (data == nullptr || ReadFontFile(*data, font) != FontError::kNone) {
            host.Print("error: フォントファイル" + Quote(entry.fileName) + "を読めません。");
            return 1;
        }
        fonts.push_back(MsiFont{entry.fontName, entry.fileName, data->Size()});
        read.push_back(font);
    }
    // Names the fonts give themselves, so that unrelated packs never share an UpgradeCode.
    const MsiDefaults defaults = DefaultNames(read);
    if (settings.productName.empty()) {
        settings.productName = defaults.productName;
        if (settings.productName.empty()) {
            host.Print(
                "error: フォントのファミリ名から製品名を決められません。--product-name "
                "で製品名を指定してください。");
            return 2;
        }
    }
    if (settings.manufacturer.empty()) {
        settings.manufacturer = defaults.manufacturer;
        if (settings.manufacturer.empty()) {
            host.Print(
                "error: フォントが製造元（name ID 8）を書いていないか、フォントごとに違う"
                "ため、製造元を決められません。--manufacturer で製造元を指定してください。");
            return 2;
        }
    }

    std::uint8_t random[16];
    tools.Random(random);
    settings.productCode = RandomGuid(random);
    tools.Random(random);
    settings.packageCode = RandomGuid(random);
    const MsiTables tables = MakeMsiTables(fonts, settings);
    if (!tables.refused.empty()) {
        host.Print("error: " + tables.refused);
        return 1;
    }

    if (!tools.Begin()) {
        host.Print("error: 作業用フォルダを作れません。");
        return 1;
    }
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        std::string bytes;
        if (!host.Read(fonts[i].fileName, bytes) || bytes.size() != fonts[i].size ||
            !tools.WriteScratch(tables.cabinetKeys[i], bytes)) {
            host.Print("error: フォントファイル" + Quote(fonts[i].fileName) + "を読めません。");
            return 1;
        }
    }
    std::string error;
    if (!tools.MakeCabinet(kCabinet, tables.cabinetKeys, error) ||
        !tools.MakeDatabase(kPackage, tables, kCabinet, error)) {
        host.Print("error: " + error);
        return 1;
    }
    // A folder without a name of its own (a drive's root) gives the file a plain one.
    std::string base = tools.FolderBaseName(arguments.folder);
    base = base.empty() ? "fonts" : base;
    const std::string output =
        arguments.output.empty() ? base + "-" + settings.version + ".msi" : arguments.output;
    std::string shown;
    tools.ArgumentText(output, shown);
    if (!tools.Deliver(kPackage, output)) {
        host.Print("error: " + Quote(shown) + "に書けません。");
        return 1;
    }
    host.Print("書きました: " + shown + "（" + std::to_string(fonts.size()) + "フォント、製品名 " +
               Quote(settings.productName) + "、製造元 " + Quote(settings.manufacturer) +
               "、バージョン " + settings.version + "、UpgradeCode " + tables.upgradeCode + "）");
    return 0;
}

}  // namespace

std::string MsiFolder(const std::vector<std::string>& args) {
    const MsiArguments arguments = ParseMsiArguments(args);
    return arguments.valid ? arguments.folder : "";
}

int RunMsi(const std::vector<std::string>& args, Host& host, MsiTools* tools) {
    if (tools == nullptr) {
        host.Print("error: このシステムではmsiパッケージを作れません。");
        return 1;
    }
    const MsiArguments arguments = ParseMsiArguments(args);
    if (!arguments.valid) {
        host.Print(
            "使い方: fontlist msi [フォルダ] [--output ファイル] [--product-name 製品名] "
            "[--manufacturer 製造元] [--product-version 1.0.0]");
        return 2;
    }
    return BuildMsi(arguments, host, *tools);
}

}  // namespace fontlist

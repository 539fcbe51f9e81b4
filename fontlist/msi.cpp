#include "fontlist/msi.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "common/file_names.h"
#include "fontlist/cli.h"
#include "fontlist/cp932_convert.h"
#include "fontlist/installer_lines.h"

namespace fontlist {

namespace {

// This tool's own namespace for the GUIDs it derives.
const Guid kNamespace = "{70DFEA1D-D84D-4977-9070-8B599D69E2F2}";
const std::string kFontList = "FontList.txt";
const std::string kCabinet = "fonts.cab";
const std::string kPackage = "package.msi";

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

// A text archive: the column names, their types, the table name with its keys, then the rows.
class Archive {
  public:
    Archive(const std::string& columns, const std::string& types, const std::string& keys)
        : text_(columns + "\r\n" + types + "\r\n" + keys + "\r\n") {}

    Archive& Row(const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            text_ += (i == 0 ? "" : "\t") + fields[i];
        }
        text_ += "\r\n";
        return *this;
    }

    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

// The registry value's ending the installer gives the file's type, so that the package and the
// installer name the same font the same way.
std::string TypeEnding(const std::string& fileName) {
    if (EndsWithIgnoreCase(fileName, ".otf")) {
        return " (OpenType)";
    }
    if (EndsWithIgnoreCase(fileName, ".ttf") || EndsWithIgnoreCase(fileName, ".ttc")) {
        return " (TrueType)";
    }
    return "";
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

// The FileName column: the name itself where it is a valid 8.3 name, else a numbered short name
// before it, for volumes without long names.
std::string FileNameColumn(const std::string& target, std::size_t index) {
    if (IsShortName(target)) {
        return target;
    }
    std::string extension;
    const std::size_t dot = target.rfind('.');
    for (std::size_t i = dot + 1; dot != std::string::npos && i < target.size(); ++i) {
        if (extension.size() < 3 && std::isalnum(static_cast<unsigned char>(target[i])) != 0) {
            extension += static_cast<char>(std::toupper(static_cast<unsigned char>(target[i])));
        }
    }
    char shortName[16];
    std::snprintf(shortName, sizeof shortName, "F%07zu", index + 1);
    return std::string(shortName) + (extension.empty() ? "" : "." + extension) + "|" + Utf8(target);
}

// The same font file name in the Fonts folder is one component in every package that installs
// it, so Windows keeps the file until the last product that needs it is removed.
Guid ComponentIdFor(const std::string& target) {
    // ASCII case does not tell two names apart; a trail byte is never folded.
    std::string key = target;
    for (std::size_t i = 0; i < key.size(); i = cp932::NextCharIndex(key, i)) {
        if (cp932::NextCharIndex(key, i) == i + 1 && key[i] >= 'a' && key[i] <= 'z') {
            key[i] = static_cast<char>(key[i] - 'a' + 'A');
        }
    }
    return NameBasedGuid(kNamespace, "FontsFolder\\" + key);
}

std::string SequenceTable(const std::string& table,
                          const std::vector<std::pair<std::string, int>>& actions) {
    Archive archive("Action\tCondition\tSequence", "s72\tS255\tI2", table + "\tAction");
    for (const auto& [action, sequence] : actions) {
        archive.Row({action, "", std::to_string(sequence)});
    }
    return archive.Text();
}

}  // namespace

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

MsiTables MakeMsiTables(const std::vector<MsiFont>& fonts, const MsiSettings& settings) {
    MsiTables tables;
    tables.upgradeCode = UpgradeCodeFor(settings.manufacturer, settings.productName);
    // Strings are stored in code page 932, which every Windows converts to Unicode the same way:
    // the face names keep their CP932 bytes on a Japanese system and read right on any other.
    tables.archives.emplace_back("codepage.idt", "\r\n\r\n932\t_ForceCodepage\r\n");

    // Summary information: the strings are stored as given, so they are given in the code page
    // the package names (1); word count 2 says the files are compressed in the cabinet.
    Archive summary("PropertyId\tValue", "i2\tl255", "_SummaryInformation\tPropertyId");
    summary.Row({"1", "932"})
        .Row({"2", "Installation Database"})
        .Row({"3", settings.productName})
        .Row({"4", settings.manufacturer})
        .Row({"5", "Installer, Fonts"})
        .Row({"7", "Intel;1041"})
        .Row({"9", settings.packageCode})
        .Row({"14", "200"})
        .Row({"15", "2"})
        .Row({"18", "fontlist"})
        .Row({"19", "2"});
    tables.archives.emplace_back("summary.idt", summary.Text());

    Archive property("Property\tValue", "s72\tl0", "Property\tProperty");
    property.Row({"ProductCode", settings.productCode})
        .Row({"ProductName", Utf8(settings.productName)})
        .Row({"ProductVersion", settings.version})
        .Row({"Manufacturer", Utf8(settings.manufacturer)})
        .Row({"ProductLanguage", "1041"})
        .Row({"UpgradeCode", tables.upgradeCode})
        .Row({"ALLUSERS", "1"})
        .Row({"ARPNOMODIFY", "1"})
        .Row({"SecureCustomProperties", "OLDERFOUND;NEWERFOUND"});
    tables.archives.emplace_back("Property.idt", property.Text());

    Archive directory("Directory\tDirectory_Parent\tDefaultDir", "s72\tS72\tl255",
                      "Directory\tDirectory");
    directory.Row({"TARGETDIR", "", "SourceDir"}).Row({"FontsFolder", "TARGETDIR", "."});
    tables.archives.emplace_back("Directory.idt", directory.Text());

    // Not advertised: a font is of no use until its file is there.
    Archive feature(
        "Feature\tFeature_Parent\tTitle\tDescription\tDisplay\tLevel\tDirectory_\tAttributes",
        "s38\tS38\tL64\tL255\tI2\ti2\tS72\ti2", "Feature\tFeature");
    feature.Row({"Fonts", "", "Fonts", "", "1", "1", "", "8"});
    tables.archives.emplace_back("Feature.idt", feature.Text());

    Archive component("Component\tComponentId\tDirectory_\tAttributes\tCondition\tKeyPath",
                      "s72\tS38\ts72\ti2\tS255\tS72", "Component\tComponent");
    Archive featureComponents("Feature_\tComponent_", "s38\ts72",
                              "FeatureComponents\tFeature_\tComponent_");
    Archive file("File\tComponent_\tFileName\tFileSize\tVersion\tLanguage\tAttributes\tSequence",
                 "s72\ts72\tl255\ti4\tS72\tS20\tI2\ti4", "File\tFile");
    Archive font("File_\tFontTitle", "s72\tS128", "Font\tFile_");
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        const std::string key = "Font" + std::to_string(i + 1);
        const std::string target = TargetFileName(fonts[i].fileName);
        component.Row({key, ComponentIdFor(target), "FontsFolder", "0", "", key});
        featureComponents.Row({"Fonts", key});
        file.Row({key, key, FileNameColumn(target, i), std::to_string(fonts[i].size), "", "", "0",
                  std::to_string(i + 1)});
        font.Row({key, Utf8(fonts[i].faceName + TypeEnding(target))});
        tables.cabinetKeys.push_back(key);
    }
    tables.archives.emplace_back("Component.idt", component.Text());
    tables.archives.emplace_back("FeatureComponents.idt", featureComponents.Text());
    tables.archives.emplace_back("File.idt", file.Text());
    tables.archives.emplace_back("Font.idt", font.Text());

    Archive media("DiskId\tLastSequence\tDiskPrompt\tCabinet\tVolumeLabel\tSource",
                  "i2\ti4\tL64\tS255\tS32\tS72", "Media\tDiskId");
    media.Row({"1", std::to_string(fonts.size()), "", "#" + kCabinet, "", ""});
    tables.archives.emplace_back("Media.idt", media.Text());

    // A major upgrade: every earlier build up to this version is removed first; a later version
    // already installed stops this one.
    Archive upgrade(
        "UpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes\tRemove\tActionProperty",
        "s38\tS20\tS20\tS255\ti4\tS255\ts72",
        "Upgrade\tUpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes");
    upgrade.Row({tables.upgradeCode, "", settings.version, "", "512", "", "OLDERFOUND"})
        .Row({tables.upgradeCode, settings.version, "", "", "2", "", "NEWERFOUND"});
    tables.archives.emplace_back("Upgrade.idt", upgrade.Text());
    Archive launch("Condition\tDescription", "s255\tl255", "LaunchCondition\tCondition");
    launch.Row(
        {"NOT NEWERFOUND", Utf8("この製品の新しいバージョンがすでにインストールされています。")});
    tables.archives.emplace_back("LaunchCondition.idt", launch.Text());

    tables.archives.emplace_back(
        "InstallExecuteSequence.idt",
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
    tables.archives.emplace_back("InstallUISequence.idt",
                                 SequenceTable("InstallUISequence", {{"FindRelatedProducts", 25},
                                                                     {"LaunchConditions", 100},
                                                                     {"ValidateProductID", 700},
                                                                     {"CostInitialize", 800},
                                                                     {"FileCost", 900},
                                                                     {"CostFinalize", 1000},
                                                                     {"ExecuteAction", 1300}}));
    tables.archives.emplace_back(
        "AdminExecuteSequence.idt",
        SequenceTable("AdminExecuteSequence", {{"CostInitialize", 800},
                                               {"FileCost", 900},
                                               {"CostFinalize", 1000},
                                               {"InstallValidate", 1400},
                                               {"InstallInitialize", 1500},
                                               {"InstallAdminPackage", 3900},
                                               {"InstallFiles", 4000},
                                               {"InstallFinalize", 6600}}));
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
    const std::string folderName = tools.FolderBaseName(arguments.folder);
    if (!ProductText(tools, host, "製品名",
                     arguments.productName.empty() ? folderName : arguments.productName,
                     settings.productName) ||
        !ProductText(tools, host, "製造元",
                     arguments.manufacturer.empty() ? folderName : arguments.manufacturer,
                     settings.manufacturer)) {
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

    std::uint8_t random[16];
    tools.Random(random);
    settings.productCode = RandomGuid(random);
    tools.Random(random);
    settings.packageCode = RandomGuid(random);

    if (!tools.Begin()) {
        host.Print("error: 作業用フォルダを作れません。");
        return 1;
    }
    // The fonts in the order of FontList.txt, each read once more to go into the cabinet.
    std::vector<MsiFont> fonts;
    std::vector<std::string> cabinet = {"gcab", "-c", "-z", "-n", kCabinet};
    FontListLineParser parser;
    for (const Piece& piece : InstallerPieces(contents)) {
        FontEntry entry;
        if (!parser.Parse(piece.text.c_str(), entry)) {
            continue;
        }
        std::string bytes;
        const std::string key = "Font" + std::to_string(fonts.size() + 1);
        if (!host.Read(entry.fileName, bytes) || !tools.WriteScratch(key, bytes)) {
            host.Print("error: フォントファイル" + Quote(entry.fileName) + "を読めません。");
            return 1;
        }
        fonts.push_back(MsiFont{entry.fontName, entry.fileName, bytes.size()});
        cabinet.push_back(key);
    }
    const MsiTables tables = MakeMsiTables(fonts, settings);
    std::vector<std::string> build = {"msibuild", kPackage, "-i"};
    for (const auto& [name, text] : tables.archives) {
        if (!tools.WriteScratch(name, text)) {
            host.Print("error: 作業用フォルダに書けません。");
            return 1;
        }
        build.push_back(name);
    }
    build.insert(build.end(), {"-a", kCabinet, kCabinet});
    for (const std::vector<std::string>* command : {&cabinet, &build}) {
        const int code = tools.Run(*command);
        if (code == -1) {
            host.Print("error: " + command->front() +
                       "がありません。msitools と gcab をインストールしてください（apt install "
                       "msitools gcab）。");
            return 1;
        }
        if (code != 0) {
            host.Print("error: " + command->front() + "が失敗しました（終了コード " +
                       std::to_string(code) + "）。");
            return 1;
        }
    }
    const std::string output =
        arguments.output.empty() ? folderName + "-" + settings.version + ".msi" : arguments.output;
    std::string shown;
    tools.ArgumentText(output, shown);
    if (!tools.Deliver(kPackage, output)) {
        host.Print("error: " + Quote(shown) + "に書けません。");
        return 1;
    }
    host.Print("書きました: " + shown + "（" + std::to_string(fonts.size()) +
               "フォント、バージョン " + settings.version + "、UpgradeCode " + tables.upgradeCode +
               "）");
    return 0;
}

}  // namespace

std::string MsiFolder(const std::vector<std::string>& args) {
    const MsiArguments arguments = ParseMsiArguments(args);
    return arguments.valid ? arguments.folder : "";
}

int RunMsi(const std::vector<std::string>& args, Host& host, MsiTools* tools) {
    if (tools == nullptr) {
        host.Print(
            "error: Windows版のfontlistはmsiパッケージを作れません。Linux版のfontlist（Debian"
            "パッケージ fontlist_*.deb、msitools と gcab を使います）で作ってください。");
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

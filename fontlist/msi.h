// `fontlist msi`: a Windows Installer package of the fonts FontList.txt names, for
// administrators who deploy silently and per machine. The tables are made here, once for every
// system; the database and the cabinet are written through MsiTools: Debian's msitools and gcab
// on Linux, msi.dll and cabinet.dll on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fontlist/sfnt_names.h"

namespace fontlist {

class Host;

// A GUID in the registry format Windows Installer uses: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
using Guid = std::string;

// The name-based GUID (RFC 4122 version 5, SHA-1) of name in a namespace: the same inputs give
// the same GUID on every machine and in every build.
Guid NameBasedGuid(const Guid& space, const std::string& name);
// A random GUID (version 4) from 16 bytes of randomness.
Guid RandomGuid(const std::uint8_t (&random)[16]);

// Whether a version is one Windows Installer compares: two or three fields (major.minor or
// major.minor.build), major and minor at most 255, build at most 65535, digits only.
bool IsProductVersion(const std::string& version);

struct MsiSettings {
    std::string productName;   // CP932
    std::string manufacturer;  // CP932
    std::string version;
    Guid productCode;  // new for every build
    Guid packageCode;  // new for every build
};

// One line of FontList.txt as the package installs it.
struct MsiFont {
    std::string faceName;  // CP932, as the installer's reader gives it
    std::string fileName;  // CP932, as the line gives it
    std::uint64_t size = 0;
};

// One column of a table: its name, its type as a text archive writes it (s72, I2, l0, ...; upper
// case when it may be null), and what the _Validation table says of its values.
struct MsiColumn {
    std::string name;
    std::string type;
    std::string category;  // Identifier, Text, GUID, ...; empty for a plain integer
    std::string minValue;
    std::string maxValue;
    std::string keyTable;
    std::string keyColumn;
    std::string set;
    std::string description;
};

struct MsiTable {
    std::string name;
    std::vector<MsiColumn> columns;
    std::size_t keys = 1;                        // the first columns make the primary key
    std::vector<std::vector<std::string>> rows;  // UTF-8; an empty field is null
};

// The whole package but its cabinet: the tables in the order they are imported (_Validation,
// which describes every column of them all, last), the summary information, and the cabinet's
// files, each font under its File key.
struct MsiTables {
    int codepage = 932;
    std::vector<MsiTable> tables;
    // Property id and value: text in CP932, the code page the package names, or a number.
    std::vector<std::pair<int, std::string>> summary;
    std::vector<std::string> cabinetKeys;  // one per font, in order
    Guid upgradeCode;
    // Why the package cannot be written (a value no column may hold, a limit passed), in CP932;
    // empty when it can.
    std::string refused;
};

// A table as a text archive: column names, types, table name and keys, then the rows unless
// only the definition is wanted. UTF-8, as msibuild reads it.
std::string ArchiveText(const MsiTable& table, bool withRows = true);
// The archive that gives the database its code page.
std::string CodepageArchive(int codepage);
// The summary information as the text archive msibuild imports (its strings stay CP932).
std::string SummaryArchive(const MsiTables& tables);

// What a package holds at most: the cabinet keeps 65,535 files, and a file's size and the
// cabinet's both stay below 2 GB (FileSize is a signed 32-bit column).
constexpr std::size_t kMaxMsiFonts = 65535;
constexpr std::uint64_t kMaxMsiBytes = 0x7FFFFFFF;

// The stable UpgradeCode of a product: from its manufacturer and name, which stay the same from
// one version of a font pack to the next.
Guid UpgradeCodeFor(const std::string& manufacturer, const std::string& productName);

MsiTables MakeMsiTables(const std::vector<MsiFont>& fonts, const MsiSettings& settings);

// The names a package takes from its fonts when none is given (CP932): the manufacturer, name
// ID 8, when every font that names one names the same, else empty; and the product, the
// families of every face, each once, in order, joined by ", ", or empty when that passes the
// summary's 255 bytes.
struct MsiDefaults {
    std::string manufacturer;
    std::string productName;
};
MsiDefaults DefaultNames(const std::vector<FontFile>& fonts);

// The scratch folder and the system's means to write a cabinet and a database. Names of scratch
// files are ASCII.
class MsiTools {
  public:
    virtual ~MsiTools() = default;
    // A fresh scratch folder, removed with this object; false when none can be made.
    virtual bool Begin() = 0;
    virtual bool WriteScratch(const std::string& name, const std::string& bytes) = 0;
    // The scratch files given, compressed into the scratch file cabinet under their own names.
    // False with the reason in error (CP932) when it cannot be written.
    virtual bool MakeCabinet(const std::string& cabinet, const std::vector<std::string>& files,
                             std::string& error) = 0;
    // The scratch file package: the database of tables, with the scratch file cabinet stored in
    // it under its own name. False with the reason in error (CP932).
    virtual bool MakeDatabase(const std::string& package, const MsiTables& tables,
                              const std::string& cabinet, std::string& error) = 0;
    // Puts the scratch file at output, a path as the user typed it, replacing a file there.
    virtual bool Deliver(const std::string& name, const std::string& output) = 0;
    // An argument or a path as CP932 text; false when it holds a character CP932 cannot.
    virtual bool ArgumentText(const std::string& argument, std::string& text) = 0;
    // The last component of the folder's full path, as the system spells names: the package
    // file's default name.
    virtual std::string FolderBaseName(const std::string& folder) = 0;
    // 16 random bytes for a new GUID.
    virtual void Random(std::uint8_t (&bytes)[16]) = 0;
};

// The tools of this system, or null where they cannot be had.
std::unique_ptr<MsiTools> OpenMsiTools();

// The package folder `fontlist msi` names: the argument that is no option nor an option's value;
// empty for the current folder.
std::string MsiFolder(const std::vector<std::string>& args);

// `fontlist msi [FOLDER] [--output FILE] [--product-name NAME] [--manufacturer NAME]
// [--product-version VERSION]`; args start with "msi", host is opened on MsiFolder(args), tools
// is null where this system cannot build packages. 0: written; 1: FontList.txt has errors, or
// the package could not be written; 2: bad arguments (a name that cannot be guessed from the
// fonts included), or the folder or FontList.txt cannot be read.
int RunMsi(const std::vector<std::string>& args, Host& host, MsiTools* tools);

}  // namespace fontlist

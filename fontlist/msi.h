// `fontlist msi`: a Windows Installer package of the fonts FontList.txt names, for
// administrators who deploy silently and per machine. The tables are made here; the database and
// the cabinet are written by Debian's msitools and gcab, run through MsiTools.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// The package's text archives (.idt files, UTF-8 as msibuild reads them), in the order they are
// imported, and the cabinet's files: each font under its File key.
struct MsiTables {
    std::vector<std::pair<std::string, std::string>> archives;  // file name, contents
    std::vector<std::string> cabinetKeys;                       // one per font, in order
    Guid upgradeCode;
};

// The stable UpgradeCode of a product: from its manufacturer and name, which stay the same from
// one version of a font pack to the next.
Guid UpgradeCodeFor(const std::string& manufacturer, const std::string& productName);

MsiTables MakeMsiTables(const std::vector<MsiFont>& fonts, const MsiSettings& settings);

// The scratch folder and the outside programs one package needs. Names of scratch files are
// ASCII; the command's arguments are given to the program unchanged.
class MsiTools {
  public:
    virtual ~MsiTools() = default;
    // A fresh scratch folder, removed with this object; false when none can be made.
    virtual bool Begin() = 0;
    virtual bool WriteScratch(const std::string& name, const std::string& bytes) = 0;
    // Runs a program found on the PATH, in the scratch folder: its exit code; -1 when it could
    // not be started at all (not installed).
    virtual int Run(const std::vector<std::string>& command) = 0;
    // Puts the scratch file at output, a path as the user typed it, replacing a file there.
    virtual bool Deliver(const std::string& name, const std::string& output) = 0;
    // An argument or a path as CP932 text; false when it holds a character CP932 cannot.
    virtual bool ArgumentText(const std::string& argument, std::string& text) = 0;
    // The last component of the folder's full path, as the system spells names: the package's
    // default name.
    virtual std::string FolderBaseName(const std::string& folder) = 0;
    // 16 random bytes for a new GUID.
    virtual void Random(std::uint8_t (&bytes)[16]) = 0;
};

// The tools of this system, or null where the package is built by the Linux tool only.
std::unique_ptr<MsiTools> OpenMsiTools();

// The package folder `fontlist msi` names: the argument that is no option nor an option's value;
// empty for the current folder.
std::string MsiFolder(const std::vector<std::string>& args);

// `fontlist msi [FOLDER] [--output FILE] [--product-name NAME] [--manufacturer NAME]
// [--product-version VERSION]`; args start with "msi", host is opened on MsiFolder(args), tools
// is null where this system does not build packages. 0: written; 1: FontList.txt has errors, or
// the package could not be written (or not on this system); 2: bad arguments, or the folder or
// FontList.txt cannot be read.
int RunMsi(const std::vector<std::string>& args, Host& host, MsiTools* tools);

}  // namespace fontlist

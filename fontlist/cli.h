// The `fontlist` command: make and check, over one folder reached through a Host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fontlist/checks.h"

namespace fontlist {

// One folder of a font package, and the console. File names are CP932.
class Host : public FontSource {
  public:
    // Whether the folder given is there at all, and its name as the user typed it (CP932).
    virtual bool FolderExists() = 0;
    virtual std::string FolderName() = 0;
    // Plain files of the folder; false when the folder cannot be read.
    virtual bool List(std::vector<std::string>& fileNames) = 0;
    virtual bool Exists(const std::string& fileName) = 0;
    // Writes the whole file, replacing one that exists.
    virtual bool Write(const std::string& fileName, const std::string& bytes) = 0;
    // One line of CP932 text, shown in the console's own encoding.
    virtual void Print(const std::string& line) = 0;
    // The running system's fonts, or null where there is no GDI to ask.
    virtual SystemFonts* System() = 0;
};

// The folder given, or the current one when empty, on this system.
std::unique_ptr<Host> OpenFolder(const std::string& folder);

// args without the program name. 0: no error, or --help and --version; 1: errors found, or
// nothing written; 2: bad arguments, or the folder or FontList.txt cannot be read.
int RunFontList(const std::vector<std::string>& args, Host& host);

}  // namespace fontlist

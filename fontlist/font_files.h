// The font files of a package as the tool sees them: each read once, by its directory and the
// few tables that decide its names, whatever the number of lines or commands that name it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fontlist/gdi_name.h"
#include "fontlist/sfnt_names.h"

namespace fontlist {

// Files by the file name FontList.txt gives (CP932).
class FontSource {
  public:
    virtual ~FontSource() = default;
    // The whole file; used for FontList.txt itself.
    virtual bool Read(const std::string& fileName, std::string& bytes) = 0;
    // The file for reads at offsets, or null. By default the whole file is read into memory.
    virtual std::unique_ptr<FontData> Open(const std::string& fileName);
};

struct ReadFont {
    bool readable = false;
    bool isFont = false;  // then families holds one name per face, at least one
    std::vector<FamilyName> families;
};

// The face name a line gives a file: the family of its first face, or the full name of a
// member of a family, without the leading and trailing spaces the installer's reader drops.
std::string FaceNameToWrite(const FamilyName& family);
std::string TrimmedName(const GdiName& name);
std::string TrimSpaces(const std::string& name);

class FontFiles {
  public:
    explicit FontFiles(FontSource& source) : source_(source) {}
    const ReadFont& Get(const std::string& fileName);

  private:
    FontSource& source_;
    std::map<std::string, ReadFont> read_;
};

// Why a member listed under a full name equal to its family's name is a risk, for a message.
std::string MistakenForRegular(const std::string& family);

// "「name」", the way every message quotes a name.
std::string Quote(const std::string& name);
bool EndsWithIgnoreCase(const std::string& name, const std::string& suffix);

}  // namespace fontlist

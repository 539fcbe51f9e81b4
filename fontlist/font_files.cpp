#include "fontlist/font_files.h"

#include "common/cp932.h"

namespace fontlist {

namespace {

// A whole file read by Read, for sources that have nothing better.
class BufferedFontData final : public FontData {
  public:
    explicit BufferedFontData(std::string bytes)
        : bytes_(std::move(bytes)),
          memory_(reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size()) {}
    std::uint64_t Size() const override { return memory_.Size(); }
    bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) override {
        return memory_.ReadAt(offset, length, bytes);
    }

  private:
    std::string bytes_;
    MemoryFontData memory_;
};

}  // namespace

std::unique_ptr<FontData> FontSource::Open(const std::string& fileName) {
    std::string bytes;
    if (!Read(fileName, bytes)) {
        return nullptr;
    }
    return std::make_unique<BufferedFontData>(std::move(bytes));
}

std::string TrimSpaces(const std::string& name) {
    const std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return name.substr(first, name.find_last_not_of(' ') + 1 - first);
}

std::string TrimmedName(const GdiName& name) {
    return TrimSpaces(name.ansi);
}

std::string MistakenForRegular(const std::string& family) {
    return "ファミリ" + Quote(family) +
           "の通常のフェイスではありませんが、フル ネームがファミリ名と同じため、"
           "インストーラーはそのファミリの通常のフェイスと取り違えます。";
}

std::string FaceNameToWrite(const FamilyName& family) {
    return TrimmedName(family.member ? family.fullName : family);
}

const ReadFont& FontFiles::Get(const std::string& fileName) {
    const auto known = read_.find(fileName);
    if (known != read_.end()) {
        return known->second;
    }
    ReadFont& result = read_[fileName];
    const std::unique_ptr<FontData> data = source_.Open(fileName);
    result.readable = data != nullptr;
    FontFile font;
    result.isFont = result.readable && ReadFontFile(*data, font) == FontError::kNone;
    for (const FaceInfo& face : font.faces) {
        result.families.push_back(ChooseFamilyName(face));
    }
    return result;
}

std::string Quote(const std::string& name) {
    return "「" + name + "」";
}

bool EndsWithIgnoreCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           cp932::EqualsIgnoreCase(name.substr(name.size() - suffix.size()), suffix);
}

}  // namespace fontlist

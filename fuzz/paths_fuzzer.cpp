// The CP932 path helpers over any bytes: the last separator, comparison without regard to case,
// splitting, the trailing-backslash rule and the target name of a font file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/install_command.h"
#include "common/cp932.h"
#include "common/path_parts.h"
#include "common/file_names.h"
#include "engine/install_fonts.h"
#include "fuzz_support.h"

namespace {

// True when index starts a character of text (a double-byte character is stepped over whole).
bool IsCharacterStart(const std::string& text, std::size_t index) {
    for (std::size_t i = 0; i < text.size(); i = cp932::NextCharIndex(text, i)) {
        if (i == index) {
            return true;
        }
        if (i > index) {
            return false;
        }
    }
    return false;
}

bool HasSeparatorCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); i = cp932::NextCharIndex(text, i)) {
        if (text[i] == '\\' || text[i] == '/') {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Half the inputs are raw bytes, half are drawn from path-like bytes.
    std::string text;
    for (size_t i = 1; i < size; ++i) {
        text += (data[0] & 1) != 0 ? PathByte(data[i]) : static_cast<char>(data[i]);
    }
    const std::size_t middle = text.size() / 2;
    const std::string a = text.substr(0, middle);
    const std::string b = text.substr(middle);

    const std::size_t slash = cp932::FindLastBackslash(text);
    if (slash != std::string::npos) {
        FUZZ_CHECK(text[slash] == '\\' && IsCharacterStart(text, slash));
    }
    FUZZ_CHECK(cp932::EndsWithBackslash(text) ==
               (slash != std::string::npos && slash + 1 == text.size()));

    FUZZ_CHECK(cp932::EqualsIgnoreCase(a, a));
    FUZZ_CHECK(cp932::EqualsIgnoreCase(a, b) == cp932::EqualsIgnoreCase(b, a));

    const PathParts parts = SplitPath(text);
    FUZZ_CHECK(parts.drive + parts.directory + parts.baseName + parts.extension == text);
    FUZZ_CHECK(!HasSeparatorCharacter(parts.baseName + parts.extension));
    FUZZ_CHECK(parts.extension.empty() || parts.extension[0] == '.');

    const std::string name = TargetFileName(text);
    FUZZ_CHECK(!HasSeparatorCharacter(name));
    FUZZ_CHECK(text.size() >= name.size() &&
               text.compare(text.size() - name.size(), name.size(), name) == 0);
    if (IsUsableFileName(name)) {
        // Usable names hold no byte that Windows would read as a forbidden character.
        FUZZ_CHECK(name != "." && name != ".." && cp932::IsWellFormed(name));
        for (const char forbidden : std::string("<>:\"/?*")) {
            FUZZ_CHECK(name.find(forbidden) == std::string::npos);
        }
    }

    if (!cp932::IsWellFormed(text)) {
        std::string settled;
        FUZZ_CHECK(!SettleDestination(text, settled));
        return 0;
    }
    const std::string withSlash = WithTrailingBackslash(text);
    FUZZ_CHECK(cp932::EndsWithBackslash(withSlash));
    FUZZ_CHECK(WithTrailingBackslash(withSlash) == withSlash);
    FUZZ_CHECK(withSlash.size() == text.size() + (cp932::EndsWithBackslash(text) ? 0 : 1));
    return 0;
}

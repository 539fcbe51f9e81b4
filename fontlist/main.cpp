// fontlist: writes and checks a font package's FontList.txt from the fonts' own name tables.
#include <string>
#include <vector>

#include "fontlist/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return fontlist::RunFontListIn(args);
}

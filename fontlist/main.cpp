// fontlist: writes and checks a font package's FontList.txt from the fonts' own name tables.
#include <string>
#include <vector>

#include "fontlist/cli.h"
#include "fontlist/msi.h"
#include "fontlist/started.h"

namespace {

int Run(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "msi") {
        const std::unique_ptr<fontlist::Host> host =
            fontlist::OpenFolder(fontlist::MsiFolder(args));
        return fontlist::RunMsi(args, *host, fontlist::OpenMsiTools().get());
    }
    // The folder is the argument after the command that is not an option; none means here.
    std::string folder;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--force") {
            folder = args[i];
        }
    }
    const std::unique_ptr<fontlist::Host> host = fontlist::OpenFolder(folder);
    return fontlist::RunFontList(args, *host);
}

}  // namespace

int main(int argc, char** argv) {
    return fontlist::RunAsStarted(std::vector<std::string>(argv + 1, argv + argc), Run);
}

// On Linux, fontlist is always started from a shell: its commands run as given.
#include "fontlist/started.h"

namespace fontlist {

int RunAsStarted(const std::vector<std::string>& args, Command command) {
    return command(args);
}

}  // namespace fontlist

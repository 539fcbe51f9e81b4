// How fontlist meets the one who starts it: from a console, or from Explorer with a folder
// dropped on it (Windows).
#pragma once

#include <string>
#include <vector>

namespace fontlist {

using Command = int (*)(const std::vector<std::string>& args);

// Runs command on args (without the program name) as the system started the program, and
// returns its exit code.
int RunAsStarted(const std::vector<std::string>& args, Command command);

}  // namespace fontlist

// What the main dialog says after a completed install.
#pragma once

#include <string>

// The text for the running system (OsClass): Windows 95 gets a note about restarting.
std::string CompletionMessage();

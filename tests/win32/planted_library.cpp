// A library that a stranger might leave beside the installer, named so that nothing on the
// system shares its name: if it loads, the search looked in the program's own folder.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedLibraryMarker() {
    return 0x51A7;
}

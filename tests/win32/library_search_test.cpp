// Libraries are looked for in the system folder only once the installer has started: one left
// in the folder it was started from is never loaded in place of the system's.
#include "win32_test_support.h"

namespace {

TEST_F(Win32Test, APlantedLibraryBesideTheProgramIsNotLoaded) {
    // Without the restriction the program's own folder comes first: the planted library loads.
    HMODULE before = LoadLibraryA("fiplanted.dll");
    ASSERT_NE(before, nullptr) << "the planted library was not built beside the test program";
    FreeLibrary(before);

    const auto search = platform::win32::RestrictLibrarySearch();
    std::printf("library search: %s\n",
                search == platform::win32::LibrarySearch::SystemFolderOnly ? "system folder only"
                : search == platform::win32::LibrarySearch::WithoutCurrentFolder
                    ? "without the current folder"
                    : "unchanged");
    EXPECT_EQ(search, platform::win32::LibrarySearch::SystemFolderOnly);
    HMODULE planted = LoadLibraryA("fiplanted.dll");
    EXPECT_EQ(planted, nullptr);
    if (planted != nullptr) {
        FreeLibrary(planted);
    }
    // The system's own libraries still load by name.
    HMODULE system = LoadLibraryA("mpr.dll");
    EXPECT_NE(system, nullptr);
    if (system != nullptr) {
        FreeLibrary(system);
    }
}

}  // namespace

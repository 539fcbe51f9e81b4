# The Windows build: FontInstaller.exe, the Win32 side of the seam and the tests run under Wine.
enable_language(RC)

set(FI_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
set(FI_VERSION_TEXT "${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}, ${PROJECT_VERSION_TWEAK}")
set(FI_VERSION_LABEL "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/FontInstaller.manifest.in
               ${CMAKE_BINARY_DIR}/generated/FontInstaller.exe.manifest @ONLY)

# One exe, no DLL of ours or of the compiler beside it.
set(FI_STATIC_LINK -static -static-libgcc -static-libstdc++)
# Address-space layout randomisation and no execution from data pages.
set(FI_HARDENED_LINK -Wl,--dynamicbase -Wl,--nxcompat)

add_library(fi_win32 STATIC
    platform/win32/win32_platform.cpp
    platform/win32/win32_files.cpp
    platform/win32/win32_security.cpp
    platform/win32/win32_shell.cpp
    platform/win32/win32_disks.cpp
    platform/win32/win32_ui.cpp
    platform/win32/win32_registry.cpp
    platform/win32/win32_gdi.cpp
    platform/win32/win32_messages.cpp
)
target_link_libraries(fi_win32 PUBLIC fi_core shell32 comctl32 advapi32 gdi32)

add_executable(FontInstaller WIN32 app/win_main.cpp resources/FontInstaller.rc)
target_link_libraries(FontInstaller PRIVATE fi_win32)
target_link_options(FontInstaller PRIVATE ${FI_STATIC_LINK} ${FI_HARDENED_LINK})
target_include_directories(FontInstaller PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(resources/FontInstaller.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/app.ico;${CMAKE_BINARY_DIR}/generated/FontInstaller.exe.manifest;${CMAKE_BINARY_DIR}/generated/version.h")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR}/generated -I${CMAKE_SOURCE_DIR}")

# Debian's Python: the tests make their fonts with its fontTools.
set(FI_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 with fontTools, for the tests' fonts")

# The product is the 32-bit build. The 64-bit build of the same sources is proven in a 64-bit
# prefix where the machine cannot run 32-bit programs; its tests take the 64-bit loader.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(FI_WINE_ARCH win64)
    set(FI_PE_FORMAT pei-x86-64)
else()
    set(FI_WINE_ARCH win32)
    set(FI_PE_FORMAT pei-i386)
endif()

set(FI_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/wine-run)
set(FI_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

add_subdirectory(tests/win32)
add_subdirectory(tests/e2e)
add_subdirectory(bench/wine)

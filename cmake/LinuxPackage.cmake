# The Linux fontlist as a Debian package: /usr/bin/fontlist, its manual page, the guide for font
# makers in UTF-8, the changelog, and the licence as the package's copyright file.
set(FI_PACKAGE_DOC share/doc/fontlist)

set(FI_MANPAGE ${CMAKE_BINARY_DIR}/fontlist.1)
set(VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_SOURCE_DIR}/docs/fontlist.1 ${FI_MANPAGE} @ONLY)
add_custom_command(OUTPUT ${FI_MANPAGE}.gz
    COMMAND gzip -9 -n -f -k ${FI_MANPAGE}
    DEPENDS ${FI_MANPAGE})
add_custom_target(fontlist_manpage ALL DEPENDS ${FI_MANPAGE}.gz)

# Debian keeps a package's licence in one machine-readable file, named copyright. The Linux
# binary holds only this project's code: the C++ runtime is the system's shared library, so the
# notices of the runtimes linked into the Windows programs do not belong here.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE FI_LICENSE_TEXT)
string(REGEX REPLACE "^MIT License\n\n(Copyright [^\n]*)\n\n" "" FI_LICENSE_BODY "${FI_LICENSE_TEXT}")
set(FI_LICENSE_HOLDER "${CMAKE_MATCH_1}")
if(NOT FI_LICENSE_HOLDER)
    message(FATAL_ERROR "LICENSE does not start with the MIT heading and a copyright line")
endif()
string(REGEX REPLACE "^Copyright (\\(c\\) )?" "" FI_LICENSE_HOLDER "${FI_LICENSE_HOLDER}")
# Each paragraph of the licence text is a continuation line; an empty line is written as " .".
string(REGEX REPLACE "\n+$" "" FI_LICENSE_BODY "${FI_LICENSE_BODY}")
string(REPLACE "\n\n" "\n.\n" FI_LICENSE_BODY "${FI_LICENSE_BODY}")
string(REPLACE "\n" "\n " FI_LICENSE_BODY "${FI_LICENSE_BODY}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: fontlist

Files: *
Copyright: ${FI_LICENSE_HOLDER}
License: Expat
 ${FI_LICENSE_BODY}
")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE
    ${CMAKE_SOURCE_DIR}/docs/changelog)

# A native package's changelog; its newest entry must be the version being packaged.
file(STRINGS ${CMAKE_SOURCE_DIR}/docs/changelog FI_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT FI_CHANGELOG_TOP MATCHES "^fontlist \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "docs/changelog starts with '${FI_CHANGELOG_TOP}', not an entry for "
                        "fontlist ${PROJECT_VERSION}")
endif()
set(FI_CHANGELOG ${CMAKE_BINARY_DIR}/changelog)
configure_file(${CMAKE_SOURCE_DIR}/docs/changelog ${FI_CHANGELOG} COPYONLY)
add_custom_command(OUTPUT ${FI_CHANGELOG}.gz
    COMMAND gzip -9 -n -f -k ${FI_CHANGELOG}
    DEPENDS ${FI_CHANGELOG})
add_custom_target(fontlist_changelog ALL DEPENDS ${FI_CHANGELOG}.gz)

install(TARGETS fontlist RUNTIME DESTINATION bin)
install(FILES ${FI_MANPAGE}.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/fontmaker-guide.txt ${CMAKE_BINARY_DIR}/copyright
        ${FI_CHANGELOG}.gz DESTINATION ${FI_PACKAGE_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fontlist)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes and checks FontList.txt for FontInstaller font packages")
set(CPACK_PACKAGE_DESCRIPTION "\
A font maker's tool for FontInstaller, the font installer for Japanese Windows.
It writes a package's FontList.txt from the fonts' own name tables, with the
rule a Japanese Windows uses to name a font, and checks a FontList.txt the way
the installer reads it. It also builds a Windows Installer package (.msi) of
the fonts for silent, per-machine deployment, with msitools and gcab.")
# `fontlist msi` runs msibuild (msitools) and gcab.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "msitools, gcab")
set(CPACK_PACKAGE_CONTACT "FontInstaller developers <maintainers@users.noreply.c-seed-6dc68d44.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

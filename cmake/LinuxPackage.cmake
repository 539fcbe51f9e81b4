# The Linux fontlist as a Debian package: /usr/bin/fontlist, its manual page, the guide for font
# makers in UTF-8, and the licence as the package's copyright file.
set(FI_PACKAGE_DOC share/doc/fontlist)

set(FI_MANPAGE ${CMAKE_BINARY_DIR}/fontlist.1)
set(VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_SOURCE_DIR}/docs/fontlist.1 ${FI_MANPAGE} @ONLY)
add_custom_command(OUTPUT ${FI_MANPAGE}.gz
    COMMAND gzip -9 -n -f -k ${FI_MANPAGE}
    DEPENDS ${FI_MANPAGE})
add_custom_target(fontlist_manpage ALL DEPENDS ${FI_MANPAGE}.gz)

# Debian keeps a package's licence in one file, named copyright.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE FI_LICENSE_TEXT)
file(READ ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt FI_NOTICES_TEXT)
file(WRITE ${CMAKE_BINARY_DIR}/copyright "${FI_LICENSE_TEXT}\n\n${FI_NOTICES_TEXT}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt)

install(TARGETS fontlist RUNTIME DESTINATION bin)
install(FILES ${FI_MANPAGE}.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/fontmaker-guide.txt ${CMAKE_BINARY_DIR}/copyright
        DESTINATION ${FI_PACKAGE_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fontlist)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes and checks FontList.txt for FontInstaller font packages")
set(CPACK_PACKAGE_DESCRIPTION "\
A font maker's tool for FontInstaller, the font installer for Japanese Windows.
It writes a package's FontList.txt from the fonts' own name tables, with the
rule a Japanese Windows uses to name a font, and checks a FontList.txt the way
the installer reads it. It also builds a Windows Installer package (.msi) of the
fonts for silent, per-machine deployment, with msitools and gcab.")
# `fontlist msi` runs msibuild (msitools) and gcab.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "msitools, gcab")
set(CPACK_PACKAGE_CONTACT "FontInstaller developers <maintainers@users.noreply.c-seed-6dc68d44.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The release: one ZIP holding, in its folder FontInstaller-<version>/, the 32-bit installer, the
# font maker's tool, the guide for font makers in Japanese, the licence and the notices of the
# runtime libraries linked into both programs. The texts are files Notepad reads on a Japanese
# Windows (code page 932, CR LF).
set(FI_RELEASE_TEXTS)
foreach(text "docs/fontmaker-guide.txt:FontMakerGuide.txt" "LICENSE:LICENSE.txt"
             "THIRD-PARTY-NOTICES.txt:THIRD-PARTY-NOTICES.txt")
    string(REPLACE ":" ";" text ${text})
    list(GET text 0 source)
    list(GET text 1 target)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${target}
        COMMAND ${FI_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/to_cp932.py
                ${CMAKE_SOURCE_DIR}/${source} ${CMAKE_BINARY_DIR}/${target}
        DEPENDS ${CMAKE_SOURCE_DIR}/cmake/to_cp932.py ${CMAKE_SOURCE_DIR}/${source})
    list(APPEND FI_RELEASE_TEXTS ${CMAKE_BINARY_DIR}/${target})
endforeach()
add_custom_target(fi_guide ALL DEPENDS ${FI_RELEASE_TEXTS})

install(TARGETS FontInstaller fontlist RUNTIME DESTINATION .)
install(FILES ${FI_RELEASE_TEXTS} DESTINATION .)
# Both programs signed, as packaged, when the environment names a key (cmake/SignRelease.cmake).
find_program(FI_OSSLSIGNCODE osslsigncode)
if(NOT FI_OSSLSIGNCODE)
    set(FI_OSSLSIGNCODE "")
endif()
install(CODE "set(FI_OSSLSIGNCODE \"${FI_OSSLSIGNCODE}\")\nset(FI_SIGN_WORK \"${CMAKE_BINARY_DIR}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/SignRelease.cmake)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME FontInstaller)
set(CPACK_PACKAGE_FILE_NAME FontInstaller-${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

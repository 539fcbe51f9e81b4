# The release: one ZIP holding the 32-bit installer, the font maker's tool and the guide for font
# makers in Japanese, a text file Notepad reads on a Japanese Windows (code page 932, CR LF).
set(FI_GUIDE ${CMAKE_BINARY_DIR}/FontMakerGuide.txt)
add_custom_command(OUTPUT ${FI_GUIDE}
    COMMAND ${FI_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/to_cp932.py
            ${CMAKE_SOURCE_DIR}/docs/fontmaker-guide.txt ${FI_GUIDE}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/to_cp932.py ${CMAKE_SOURCE_DIR}/docs/fontmaker-guide.txt)
add_custom_target(fi_guide ALL DEPENDS ${FI_GUIDE})

install(TARGETS FontInstaller fontlist RUNTIME DESTINATION .)
install(FILES ${FI_GUIDE} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME FontInstaller)
set(CPACK_PACKAGE_FILE_NAME FontInstaller-${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

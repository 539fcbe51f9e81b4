# The installer itself: 32-bit Windows.
set(FI_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

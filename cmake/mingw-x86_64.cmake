# The same sources for 64-bit Windows: the route of the Wine tests on machines that cannot run
# 32-bit programs.
set(FI_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# Toolchain file for the Windows x86: drives32.exe cross build.
set(DRIVES_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

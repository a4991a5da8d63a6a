# Toolchain file for the Windows x64: drives64.exe cross build.
set(DRIVES_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

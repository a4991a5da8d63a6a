# Cross build for Windows with the MinGW-w64 posix toolchain (its thread
# model brings OpenMP), for the processor that DRIVES_MINGW_ARCH names
# (x86_64 or i686). Linked statically, so the program runs on a stock Windows
# without any MinGW DLL. Included by mingw-x86_64.cmake and mingw-i686.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DRIVES_MINGW_ARCH})

set(CMAKE_CXX_COMPILER ${DRIVES_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_C_COMPILER ${DRIVES_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER ${DRIVES_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DRIVES_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# OpenMP's runtime too: its static archive rather than the DLL's import
# library that the OpenMP package would find.
execute_process(
  COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a
  OUTPUT_VARIABLE DRIVES_STATIC_GOMP OUTPUT_STRIP_TRAILING_WHITESPACE)
set(OpenMP_gomp_LIBRARY ${DRIVES_STATIC_GOMP} CACHE FILEPATH
    "OpenMP runtime library, linked statically")

# Selects the build variant. The word-size tag follows the target's pointer
# size: a 64-bit target builds drives64, a 32-bit target drives32.
#
# Included twice: before project(), where DRIVES_BUILD_32_BITS turns the
# host's 64-bit compiler into a 32-bit one (so that every check, OpenMP's
# included, sees the 32-bit target), and after it to name the program.

if(NOT DEFINED DRIVES_WORD_SIZE AND NOT CMAKE_SIZEOF_VOID_P)
  option(DRIVES_BUILD_32_BITS "Build the 32-bit program with -m32" OFF)
  if(DRIVES_BUILD_32_BITS)
    # 64-bit file offsets keep the 32-bit streams able to address any file.
    set(CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS} -m32 -D_FILE_OFFSET_BITS=64")
    # For SQLite's C source.
    set(CMAKE_C_FLAGS "${CMAKE_C_FLAGS} -m32 -D_FILE_OFFSET_BITS=64")
    # Linked statically: an amd64 system runs it without any i386 library.
    set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -m32 -static")
  endif()
elseif(CMAKE_SIZEOF_VOID_P)
  math(EXPR DRIVES_WORD_SIZE "${CMAKE_SIZEOF_VOID_P} * 8")
  set(DRIVES_PROGRAM "drives${DRIVES_WORD_SIZE}")
  if(DRIVES_BUILD_32_BITS)
    # The OpenMP runtime's static archive, for the static link.
    execute_process(
      COMMAND ${CMAKE_CXX_COMPILER} -m32 -print-file-name=libgomp.a
      OUTPUT_VARIABLE DRIVES_STATIC_GOMP OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(OpenMP_gomp_LIBRARY ${DRIVES_STATIC_GOMP} CACHE FILEPATH
        "OpenMP runtime library, linked statically")
  endif()
endif()

# SQLite for the history, as the target drives_sqlite. The native Linux
# build links Debian's library (package libsqlite3-dev). The 32-bit Linux
# and the Windows builds compile SQLite's single-file source, made from
# Debian's sqlite3 source package by scripts/sqlite-source.sh into
# DRIVES_SQLITE_SOURCE (once, for every tree).
set(DRIVES_SQLITE_SOURCE "${PROJECT_SOURCE_DIR}/out/third_party/sqlite"
    CACHE PATH "Where sqlite3.c and sqlite3.h are made")
if(NOT CMAKE_CROSSCOMPILING AND NOT DRIVES_BUILD_32_BITS)
  find_package(SQLite3 REQUIRED)
  add_library(drives_sqlite INTERFACE)
  target_link_libraries(drives_sqlite INTERFACE SQLite::SQLite3)
  return()
endif()
if(NOT EXISTS "${DRIVES_SQLITE_SOURCE}/sqlite3.c")
  message(STATUS "Making sqlite3.c from Debian's source package")
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/sqlite-source.sh"
            "${DRIVES_SQLITE_SOURCE}"
    RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "SQLite's source could not be made (see above)")
  endif()
endif()
enable_language(C)
add_library(drives_sqlite STATIC "${DRIVES_SQLITE_SOURCE}/sqlite3.c")
target_include_directories(drives_sqlite SYSTEM PUBLIC "${DRIVES_SQLITE_SOURCE}")
# No loadable extensions: nothing to dlopen in a static program. SQLite's
# own code is not held to this project's warnings.
target_compile_definitions(drives_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION
                           SQLITE_THREADSAFE=0 SQLITE_DQS=0)
# -O1: SQLite's 8 MB source compiles in half the time, and the history's
# few statements do not need it faster.
target_compile_options(drives_sqlite PRIVATE -w -O1)

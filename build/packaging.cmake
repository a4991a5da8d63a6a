# What cmake --install puts where, and the packages CPack makes of it: a
# Debian package of the Linux programs, a zip of the Windows programs. A
# build tree builds one word size; the other word size's programs come from
# their own tree, named by DRIVES_PACKAGE_DRIVES32 (for the Debian package)
# or DRIVES_PACKAGE_WIN32_DIR (for the zip), stripped already: CPack strips
# only the programs this tree builds. scripts/package.sh sets both.

# Everything goes into the drives package but the MPI client, drives-agent,
# which has a package of its own (drives-mpi), so that drives needs no MPI.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME drives)

set(DRIVES_PACKAGE_DRIVES32 "" CACHE FILEPATH
    "drives32, to install beside drives64")
set(DRIVES_PACKAGE_WIN32_DIR "" CACHE PATH
    "The folder of drives32.exe and drives-report.exe, for the zip's x86 folder")

set(CPACK_PACKAGE_NAME drives)
set(CPACK_PACKAGE_VENDOR "The drives authors")
set(CPACK_PACKAGE_CONTACT "The drives authors <drives@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "file-system benchmark of a drive, on one thread and on many")
set(CPACK_PACKAGE_DESCRIPTION
    "drives64 runs a fixed series of timed file tests in the current\n\
directory (open-and-close cycles, single-byte buffered writes and reads,\n\
whole-file reads and writes), first on one thread and then on a team of up\n\
to 16 threads at once, and writes every figure into a results file.\n\
drives32 is the 32-bit build. drives-report reads, checks, compares,\n\
repeats and charts their results.")
set(CPACK_STRIP_FILES TRUE)

if(WIN32)
  # Both word sizes in one zip, a folder each.
  if(DRIVES_WORD_SIZE EQUAL 64)
    set(DRIVES_WINDOWS_FOLDER x64)
  else()
    set(DRIVES_WINDOWS_FOLDER x86)
  endif()
  install(TARGETS ${DRIVES_PROGRAM} drives-report
          RUNTIME DESTINATION ${DRIVES_WINDOWS_FOLDER})
  if(DRIVES_PACKAGE_WIN32_DIR)
    install(PROGRAMS ${DRIVES_PACKAGE_WIN32_DIR}/drives32.exe
                     ${DRIVES_PACKAGE_WIN32_DIR}/drives-report.exe
            DESTINATION x86)
  endif()
  # The README and the licence as Windows text: CR LF line ends.
  foreach(text README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} contents)
    string(REPLACE "\n" "\r\n" contents "${contents}")
    get_filename_component(name ${text} NAME_WE)
    file(WRITE ${PROJECT_BINARY_DIR}/package/${name}.txt "${contents}")
    install(FILES ${PROJECT_BINARY_DIR}/package/${name}.txt DESTINATION .)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/${text})
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME drives-${PROJECT_VERSION}-windows)
else()
  include(GNUInstallDirs)
  install(TARGETS ${DRIVES_PROGRAM} drives-report
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(DRIVES_PACKAGE_DRIVES32)
    install(PROGRAMS ${DRIVES_PACKAGE_DRIVES32}
            DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()

  # Man pages, with the version filled in, compressed as Debian has them.
  set(man ${PROJECT_BINARY_DIR}/man)
  configure_file(docs/man/drives64.1.in ${man}/drives64.1 @ONLY)
  configure_file(docs/man/drives-report.1.in ${man}/drives-report.1 @ONLY)
  configure_file(docs/man/drives32.1 ${man}/drives32.1 COPYONLY)
  configure_file(build/debian/changelog.in ${man}/changelog @ONLY)
  set(compressed)
  foreach(page drives64.1 drives32.1 drives-report.1 changelog)
    add_custom_command(OUTPUT ${man}/${page}.gz
      COMMAND gzip -9nkf ${man}/${page}
      DEPENDS ${man}/${page})
    list(APPEND compressed ${man}/${page}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
  list(REMOVE_ITEM compressed ${man}/changelog.gz)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE build/debian/copyright ${man}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # drives-mpi: the agent, its page, and the package's own copyright and
  # changelog, as Debian wants them of every package.
  if(TARGET drives-agent)
    configure_file(docs/man/drives-agent.1.in ${man}/drives-agent.1 @ONLY)
    add_custom_command(OUTPUT ${man}/drives-agent.1.gz
      COMMAND gzip -9nkf ${man}/drives-agent.1
      DEPENDS ${man}/drives-agent.1)
    add_custom_target(compressed_agent_page ALL
                      DEPENDS ${man}/drives-agent.1.gz)
    install(TARGETS drives-agent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT mpi)
    install(FILES ${man}/drives-agent.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT mpi)
    install(FILES build/debian/copyright ${man}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/drives-mpi COMPONENT mpi)
  endif()
  if(DRIVES_PACKAGE_DRIVES32)
    install(FILES build/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME drives)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL drives)
  set(CPACK_DEBIAN_DRIVES_PACKAGE_NAME drives)
  # Each package's description under the summary they share.
  set(CPACK_COMPONENT_DRIVES_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  if(TARGET drives-agent)
    list(APPEND CPACK_COMPONENTS_ALL mpi)
    set(CPACK_DEBIAN_MPI_PACKAGE_NAME drives-mpi)
    # mpirun starts the agents; the runtime libraries come from shlibdeps.
    set(CPACK_DEBIAN_MPI_PACKAGE_DEPENDS
        "drives (= ${PROJECT_VERSION}), openmpi-bin")
    set(CPACK_COMPONENT_MPI_DESCRIPTION
        "drives-agent is the client that drives-report run --clients starts\n\
through mpirun on every node of a hostfile, for many clients of a shared\n\
file system at once: each runs the benchmark in its own folder, at the\n\
same moment as the others, and hands its results to drives-report.")
  endif()
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()

include(CPack)

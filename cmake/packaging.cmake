# What `cmake --install` lays out and what `cpack` packs.
#   Linux:   bin/korvint, bin/vesko, lib/korvint/korvint-window.so and
#            lib/korvint/vesko-window.so (the windows, each loaded by its
#            program only when a window opens), a launcher and an icon per
#            program, their manual pages and the README;
#            `cpack -G DEB` makes the Debian package of that.
#   Windows: Korvint.exe, Vesko.exe and README.txt; `cpack -G ZIP` zips them.

set(KORVINT_MAINTAINER "Korvint developers <maintainers@korvint.invalid>"
    CACHE STRING "The maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME korvint)
set(CPACK_PACKAGE_VENDOR "Korvint developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk catalogue maker, with a search tool for its catalogues")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvint walks a drive or folder and writes one plain-text catalogue file (.lst)
for it: a line for every folder and file below it with its size, date and
time, in the list format of the Korvint list plugin for Total Commander. It
has a small window, a command line for batch files and scripts, and an entry
in the file manager's right-click menu for folders. The catalogue that stood
under a name before survives a scan that fails or is stopped.

Vesko searches the catalogues by name, path, size, date and extension.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS Korvint Vesko RUNTIME DESTINATION .)
  # The README with Windows line ends, for Notepad.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/README.md")
  file(READ "${PROJECT_SOURCE_DIR}/README.md" readme)
  string(REPLACE "\n" "\r\n" readme "${readme}")
  file(WRITE "${PROJECT_BINARY_DIR}/README.txt" "${readme}")
  install(FILES "${PROJECT_BINARY_DIR}/README.txt" DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "Korvint-${PROJECT_VERSION}-win64")
else()
  install(TARGETS korvint vesko RUNTIME DESTINATION bin)
  foreach(module korvint_window vesko_window)
    if(TARGET ${module})
      install(TARGETS ${module} LIBRARY DESTINATION lib/korvint)
    endif()
  endforeach()
  foreach(program korvint vesko)
    install(FILES "dist/${program}.desktop" DESTINATION share/applications)
    install(FILES "dist/icons/${program}.svg" DESTINATION share/icons/hicolor/scalable/apps)
    configure_file("dist/man/${program}.1" "${PROJECT_BINARY_DIR}/man/${program}.1" @ONLY)
    install(FILES "${PROJECT_BINARY_DIR}/man/${program}.1" DESTINATION share/man/man1)
  endforeach()
  install(FILES README.md DESTINATION share/doc/korvint)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVINT_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps finds the libraries the programs and the window module need.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Debian's own files (copyright, changelog) and compressed manual pages are
  # added to the package's tree only: a plain install keeps its pages readable.
  set(KORVINT_DEBIAN_FILES "${PROJECT_SOURCE_DIR}/dist/debian")
  set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/debian_tree.cmake")
  set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/cpack_project_config.cmake")
  file(WRITE "${CPACK_PROJECT_CONFIG_FILE}" "set(KORVINT_DEBIAN_FILES \"${KORVINT_DEBIAN_FILES}\")\n")
endif()

include(CPack)

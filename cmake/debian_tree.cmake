# Run by cpack after the install into its staging tree and before packing:
# makes the tree a Debian package's. The copyright file and the changelog go to
# /usr/share/doc/korvint, and the manual pages and the changelog are compressed
# the way Debian wants them (gzip -9n: no name, no time stamp).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(GZIP gzip REQUIRED)
file(GLOB_RECURSE staged_docs LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/korvint")
foreach(doc IN LISTS staged_docs)
  if(NOT IS_DIRECTORY "${doc}")
    continue()
  endif()
  file(COPY "${KORVINT_DEBIAN_FILES}/copyright" DESTINATION "${doc}")
  file(COPY_FILE "${KORVINT_DEBIAN_FILES}/changelog" "${doc}/changelog.Debian")
  execute_process(COMMAND "${GZIP}" -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man1/*.1")
foreach(page IN LISTS pages)
  execute_process(COMMAND "${GZIP}" -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

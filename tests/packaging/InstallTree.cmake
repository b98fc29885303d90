# Installs the build into a fresh prefix: exactly the program, the man page (as
# written, compressed), the copyright and the changelog arrive, and the installed
# program runs.
# Run as: cmake -DVERSION=<version> -DBUILD=<build> -DPREFIX=<new folder> -DMAN_PAGE=<page> -P InstallTree.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (exit ${status}):\n${log}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected bin/folioturn share/doc/folioturn/changelog.Debian.gz share/doc/folioturn/changelog.gz
  share/doc/folioturn/copyright
  share/man/man1/folioturn.1.gz)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()

execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/folioturn.1.gz" OUTPUT_VARIABLE copied
  RESULT_VARIABLE status)
file(READ "${MAN_PAGE}" written)
if(NOT status EQUAL 0 OR NOT copied STREQUAL written)
  message(FATAL_ERROR "the installed man page differs from ${MAN_PAGE}")
endif()

string(REPLACE "." "\\." version_pattern "${VERSION}")
execute_process(COMMAND "${PREFIX}/bin/folioturn" --version RESULT_VARIABLE status OUTPUT_VARIABLE version)
if(NOT status EQUAL 0 OR NOT version MATCHES "^Folioturn ${version_pattern}\n")
  message(FATAL_ERROR "the installed program's --version (exit ${status}): ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")

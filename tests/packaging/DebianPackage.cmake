# Builds the Debian package into a fresh folder and reads it back with dpkg-deb:
# it holds exactly the program, the man page, the copyright and the changelog,
# has a version with a Debian revision, depends on zlib, names its maintainer, and
# the program unpacked from it runs.
# Run as: cmake -DVERSION=<version> -DCPACK=<cpack> -DBUILD=<build> -DWORK=<new folder> -P DebianPackage.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} (exit ${status}):\n${output}${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK}")
run("${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}")
file(GLOB packages "${WORK}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${WORK}, found: ${packages}")
endif()

run(dpkg-deb -c "${packages}")
string(REGEX MATCHALL "\n-[^\n]* \\./[^\n]*" lines "\n${output}")
set(files)
foreach(line IN LISTS lines)
  string(REGEX REPLACE ".* \\./" "" name "${line}")
  list(APPEND files "${name}")
endforeach()
list(SORT files)
set(expected usr/bin/folioturn usr/share/doc/folioturn/changelog.Debian.gz usr/share/doc/folioturn/changelog.gz
  usr/share/doc/folioturn/copyright
  usr/share/man/man1/folioturn.1.gz)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the package holds: ${files}\nexpected: ${expected}\n${output}")
endif()

string(REPLACE "." "\\." version_pattern "${VERSION}")
run(dpkg-deb -f "${packages}" Package Version Depends Maintainer)
if(NOT output MATCHES "Package: folioturn\n" OR NOT output MATCHES "Version: ${version_pattern}-1\n"
   OR NOT output MATCHES "Depends: [^\n]*zlib1g"
   OR NOT output MATCHES "Maintainer: the Folioturn developers")
  message(FATAL_ERROR "the package's control fields:\n${output}")
endif()

run(dpkg-deb -x "${packages}" "${WORK}/unpacked")
run("${WORK}/unpacked/usr/bin/folioturn" --version)
if(NOT output MATCHES "^Folioturn ${version_pattern}\n")
  message(FATAL_ERROR "the packaged program's --version: ${output}")
endif()
file(REMOVE_RECURSE "${WORK}")

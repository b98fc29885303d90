# The program's version is set once, in the project's VERSION; the texts that carry
# it too must agree: the man page's title line, the program's CHANGELOG, and the
# newest entry of the Debian changelog (which adds a Debian revision).
# Run as: cmake -DVERSION=<version> -DSOURCE=<source folder> -P VersionsAgree.cmake
string(REPLACE "." "\\." version "${VERSION}")
file(STRINGS "${SOURCE}/man/folioturn.1" title REGEX "^\\.TH ")
if(NOT title MATCHES "^\\.TH FOLIOTURN 1 [0-9-]+ \"Folioturn ${version}\" ")
  message(FATAL_ERROR "the man page's title line \"${title}\" does not name version ${VERSION}")
endif()
file(STRINGS "${SOURCE}/CHANGELOG" changelog LIMIT_COUNT 1)
if(NOT changelog STREQUAL "Folioturn ${VERSION}")
  message(FATAL_ERROR "CHANGELOG begins with \"${changelog}\", not with version ${VERSION}")
endif()
file(STRINGS "${SOURCE}/packaging/changelog" debian LIMIT_COUNT 1)
if(NOT debian MATCHES "^folioturn \\(${version}-[0-9]+\\) ")
  message(FATAL_ERROR "packaging/changelog begins with \"${debian}\", not with version ${VERSION}")
endif()

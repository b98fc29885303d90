# Fails when groff warns about the man page, with every warning turned on.
# Run as: cmake -DMAN_PAGE=<page> -P ManPageWarnings.cmake
execute_process(COMMAND groff -man -ww -z "${MAN_PAGE}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "groff -man -ww -z ${MAN_PAGE} (exit ${status}):\n${output}")
endif()

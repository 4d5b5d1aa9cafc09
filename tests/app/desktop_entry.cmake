# Installs the build into a fresh temporary prefix and checks the installed
# desktop entry with desktop-file-validate, which refuses what the desktop's
# menus would not read (an unknown Version, a misspelt key, a bad category).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder to use> -DVALIDATE=<desktop-file-validate>
#         -DENTRY=<file name of the entry> -P desktop_entry.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install into ${PREFIX} failed: ${status}")
endif()
set(entry "${PREFIX}/share/applications/${ENTRY}")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "no desktop entry installed at ${entry}")
endif()
# The validator says "error:" for what it refuses (and exits non-zero);
# hints are printed too but pass.
execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
file(REMOVE_RECURSE "${PREFIX}")
if(NOT status EQUAL 0 OR said MATCHES "error:")
  message(FATAL_ERROR "desktop-file-validate refuses the installed entry:\n${said}")
endif()
message(STATUS "desktop-file-validate accepts ${ENTRY}")

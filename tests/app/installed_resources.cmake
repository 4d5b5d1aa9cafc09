# Installs the build into a fresh temporary prefix and asks the installed
# program, without a display, whether it finds its resources there (strings
# tables, help books, mail scripts, the PDF and image readers) rather than
# in the source tree.
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder to use> -P installed_resources.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install into ${PREFIX} failed: ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
  --unset=SORVANT_HELP_DIR "${PREFIX}/bin/sorvant" --check-resources
  RESULT_VARIABLE status OUTPUT_VARIABLE report)
message(STATUS "${report}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed program misses resources")
endif()
# Every resource is found below the prefix: the data in share/sorvant, the
# PDF and image reader modules in the library folder.
string(REGEX MATCHALL ": [^\n]*" paths "${report}")
foreach(path IN LISTS paths)
  string(FIND "${path}" ": ${PREFIX}/" inside)
  if(NOT inside EQUAL 0)
    message(FATAL_ERROR "found outside the prefix${path}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")

# A program starts without the libraries a module brings on first use. Fails
# when the program's dynamic dependencies (ldd: its own and theirs, all that
# the loader maps at start) name one that LIBRARIES (a regular expression)
# matches.
#   cmake -DPROGRAM=<binary> -DLIBRARIES=<regex> -P starts_without_libraries.cmake
find_program(LDD ldd REQUIRED)
execute_process(COMMAND "${LDD}" "${PROGRAM}" OUTPUT_VARIABLE libraries ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed: ${errors}")
endif()
string(REGEX MATCHALL "[^\n]*(${LIBRARIES})[^\n]*" loaded "${libraries}")
if(loaded)
  message(FATAL_ERROR "${PROGRAM} loads at start:\n${loaded}")
endif()

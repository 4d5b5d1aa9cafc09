# The application starts without the PDF library: the library, and the dozen
# it needs, come with the PDF module that is loaded when a PDF is first
# counted, drawn or previewed. Fails when the program's dynamic dependencies
# (ldd: its own and theirs, all that the loader maps at start) name it.
#   cmake -DPROGRAM=<the sorvant binary> -P starts_without_pdf_library.cmake
find_program(LDD ldd REQUIRED)
execute_process(COMMAND "${LDD}" "${PROGRAM}" OUTPUT_VARIABLE libraries ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed: ${errors}")
endif()
string(REGEX MATCHALL "[^\n]*poppler[^\n]*" pdf "${libraries}")
if(pdf)
  message(FATAL_ERROR "the application loads the PDF library at start:\n${pdf}")
endif()

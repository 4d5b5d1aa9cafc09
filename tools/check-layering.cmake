# Fails when a library includes a header of a library above it. Every
# library has the source root on its include path, so the compiler cannot
# catch an upward include; this check can. Run as a test:
#   cmake -DSOURCE_DIR=<root> -P tools/check-layering.cmake
#
# The order, lowest first; each library may include its own headers and
# those of the libraries before it, nothing else of the tree.

cmake_minimum_required(VERSION 3.25)

set(layers platform foundation web/url system search interface web/toolkit app)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check-layering: pass -DSOURCE_DIR=<source root>")
endif()

# The library a tree path belongs to: the longest layer that prefixes it,
# or the path's first component for folders that are no library (tests…).
function(owner_of path result)
  set(best "")
  foreach(layer IN LISTS layers)
    string(LENGTH "${layer}" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    string(LENGTH "${best}" best_length)
    if(head STREQUAL layer AND length GREATER best_length)
      string(SUBSTRING "${path}/" ${length} 1 next)
      if(next STREQUAL "/")
        set(best "${layer}")
      endif()
    endif()
  endforeach()
  if(best STREQUAL "")
    string(REGEX REPLACE "/.*" "" best "${path}")
  endif()
  set(${result} "${best}" PARENT_SCOPE)
endfunction()

set(violations 0)
set(allowed "")
foreach(layer IN LISTS layers)
  list(APPEND allowed "${layer}")
  file(GLOB sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      # A bare name is a header of the same folder (or a generated one).
      if(NOT header MATCHES "/")
        continue()
      endif()
      owner_of("${header}" library)
      if(NOT library IN_LIST allowed)
        file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
        message(SEND_ERROR "${relative}: ${layer} includes \"${header}\" of ${library}, which is above it")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "check-layering: ${violations} upward include(s)")
endif()
message(STATUS "check-layering: every include points down")

# Helpers shared by every folder: one static library per folder, warnings as
# errors for our own code, sources picked up by glob so that adding a file
# needs no edit here.

function(sorvant_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wimplicit-fallthrough -Wformat=2 -Wmissing-declarations)
  # At -O3 GCC 12 reports a false -Wrestrict inside libstdc++'s std::string
  # (GCC bug 105651). In optimized Release builds it stays a warning, so that
  # a user's build does not stop on the standard library; the builds CI runs
  # (Debug, RelWithDebInfo) keep it an error.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-error=restrict>)
  endif()
endfunction()

# Precompiled headers: the Qt, ICU and standard headers most files include,
# parsed once per target instead of once per file (most of a file's compile
# time in a Debug or sanitizer build). A target gets the Qt modules it links
# (Core; Gui; Widgets), a test suite GoogleTest and the test printers too.
# ccache caches these compiles only with the options set in the top
# CMakeLists.txt (-fpch-preprocess and its sloppiness settings).
set(SORVANT_PCH_CORE
  <algorithm> <array> <atomic> <cstdint> <cstring> <functional> <memory> <mutex> <optional> <string>
  <utility> <vector>
  <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject> <QPointer> <QSet>
  <QString> <QStringList> <QTimer> <QUrl> <QVariant> <QVariantMap>
  <unicode/uchar.h> <unicode/ustring.h> <unicode/utf16.h>)
set(SORVANT_PCH_GUI <QColor> <QFont> <QGuiApplication> <QImage> <QPainter>)
set(SORVANT_PCH_WIDGETS <QAbstractItemView> <QAction> <QApplication> <QMenu> <QWidget>)
set(SORVANT_PCH_TESTS <gtest/gtest.h> <gmock/gmock.h> ${PROJECT_SOURCE_DIR}/tests/support/printers.h)

# The highest Qt level (0 Core, 1 Gui, 2 Widgets) that the given link items
# bring, through our own libraries' links.
function(sorvant_qt_level out)
  set(level 0)
  foreach(item ${ARGN})
    if(item MATCHES "^Qt6::(Widgets|PrintSupport)$")
      set(level 2)
    elseif(item STREQUAL "Qt6::Gui")
      if(level LESS 1)
        set(level 1)
      endif()
    elseif(item MATCHES "^sorvant_" AND TARGET ${item})
      get_target_property(type ${item} TYPE)
      if(type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
      else()
        get_target_property(links ${item} LINK_LIBRARIES)
      endif()
      if(links)
        sorvant_qt_level(inner ${links})
        if(inner GREATER level)
          set(level ${inner})
        endif()
      endif()
    endif()
  endforeach()
  set(${out} ${level} PARENT_SCOPE)
endfunction()

# sorvant_precompile(<target> [TEST] LINK <items...>)
function(sorvant_precompile target)
  cmake_parse_arguments(ARG "TEST" "" "LINK" ${ARGN})
  if(NOT SORVANT_PCH)
    if(ARG_TEST)
      target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/printers.h)
    endif()
    return()
  endif()
  sorvant_qt_level(level ${ARG_LINK})
  set(headers ${SORVANT_PCH_CORE})
  if(level GREATER_EQUAL 1)
    list(APPEND headers ${SORVANT_PCH_GUI})
  endif()
  if(level GREATER_EQUAL 2)
    list(APPEND headers ${SORVANT_PCH_WIDGETS})
  endif()
  if(ARG_TEST)
    list(APPEND headers ${SORVANT_PCH_TESTS})
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# sorvant_library(NAME <target> [PUBLIC_LINK ...] [PRIVATE_LINK ...] [EXCLUDE <regex>])
# Builds every .cpp of the calling folder into one static library; EXCLUDE
# leaves out the files that a library of their own builds.
function(sorvant_library)
  cmake_parse_arguments(ARG "" "NAME;EXCLUDE" "PUBLIC_LINK;PRIVATE_LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  set(cpp_sources ${sources})
  list(FILTER cpp_sources INCLUDE REGEX "\\.cpp$")
  if(NOT cpp_sources)
    # A folder whose code has not been written yet still takes part in the
    # dependency chain, so the folders above it link the same way later.
    add_library(${ARG_NAME} INTERFACE)
    target_include_directories(${ARG_NAME} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} INTERFACE ${ARG_PUBLIC_LINK})
    return()
  endif()
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_PUBLIC_LINK} PRIVATE ${ARG_PRIVATE_LINK})
  sorvant_warnings(${ARG_NAME})
  sorvant_precompile(${ARG_NAME} LINK ${ARG_PUBLIC_LINK} ${ARG_PRIVATE_LINK})
endfunction()

# sorvant_test_suite(LIB <folder> LINK <targets...> [GUI] [EXCLUDE <regex>])
# One GoogleTest executable per library, from tests/<folder>/*_test.cpp.
# GUI suites run under a QApplication (tests/support/gui_test_main.cpp);
# EXCLUDE leaves out sources that a separate executable runs.
function(sorvant_test_suite)
  cmake_parse_arguments(ARG "GUI" "LIB;EXCLUDE" "LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_LIB}/*.cpp)
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" name ${ARG_LIB})
  set(target sorvant_${name}_tests)
  add_executable(${target} ${sources})
  if(ARG_GUI)
    set(test_main sorvant_guitestmain)
  else()
    set(test_main sorvant_testmain)
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LINK} ${test_main} GTest::gtest GTest::gmock)
  # Every file sees the test printers (tests/support/printers.h).
  sorvant_precompile(${target} TEST LINK ${ARG_LINK} ${test_main})
  sorvant_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${name})
endfunction()

# The badge's D-Bus signal is tested on a private session bus, the X11 key
# grab on a virtual X server. Each runs as one CTest test through its
# launcher, labelled "interface" with the rest of the suite.
foreach(kind dbus x11)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/interface/*_${kind}_test.cpp)
  if(NOT sources)
    continue()
  endif()
  set(target sorvant_interface_${kind}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE sorvant_interface sorvant_guitestmain Qt6::DBus Qt6::Test GTest::gtest)
  target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/printers.h)
  sorvant_warnings(${target})
endforeach()

if(TARGET sorvant_interface_dbus_tests)
  find_program(DBUS_RUN_SESSION dbus-run-session)
  if(DBUS_RUN_SESSION)
    add_test(NAME interface_dbus COMMAND ${DBUS_RUN_SESSION} -- $<TARGET_FILE:sorvant_interface_dbus_tests>)
  else()
    # Without the launcher the tests find no bus and skip themselves.
    add_test(NAME interface_dbus COMMAND sorvant_interface_dbus_tests)
  endif()
  set_tests_properties(interface_dbus PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SORVANT_TEST_PRIVATE_BUS=1"
    LABELS interface)
endif()

if(TARGET sorvant_interface_x11_tests)
  # An X server of its own, numbered by the server itself, so it never
  # takes the display of an end-to-end test started at the same moment.
  find_program(XVFB Xvfb)
  if(XVFB)
    add_test(NAME interface_x11 COMMAND ${PROJECT_SOURCE_DIR}/tests/app/with_xvfb.sh 1440x900x24
                                        $<TARGET_FILE:sorvant_interface_x11_tests>)
  else()
    add_test(NAME interface_x11 COMMAND sorvant_interface_x11_tests)
  endif()
  set_tests_properties(interface_x11 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS interface)
endif()

# glimr_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [GUI] [WRAPPER program args ...])
# Builds one QtTest program and registers it with CTest; with WRAPPER, CTest
# runs it through that program (dbus-run-session --, say). Every test runs in
# its own temporary configuration and home folders so it never touches the
# user's settings, catalog or plug-ins. GUI tests are labelled "gui"; the
# test script runs the whole suite under Xvfb, the GUI tests at scale 1 and 2.
function(glimr_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS;WRAPPER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} glimr_testsupport Qt6::Test)
  target_compile_definitions(${T_NAME} PRIVATE
    GLIMR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    GLIMR_BINARY_DIR="${PROJECT_BINARY_DIR}"
    GLIMR_PLUGIN_DIR="${GLIMR_PLUGIN_DIR}")
  set(command ${T_NAME})
  if(T_WRAPPER)
    set(command ${T_WRAPPER} $<TARGET_FILE:${T_NAME}>)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${command})
  set(env "QT_QPA_PLATFORM=offscreen")
  if(T_GUI)
    set(env "")
    set_tests_properties(${T_NAME} PROPERTIES LABELS gui)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "${env}"
    TIMEOUT 300)
  # Every GUI test runs a second time at a device pixel ratio of 2, as on a
  # HiDPI laptop, so drawing, picking and decoding stay in device pixels. The
  # test script gives these their own Xvfb screen of twice the size, so the
  # logical screen is the same as at scale 1.
  if(T_GUI)
    add_test(NAME ${T_NAME}_scale2 COMMAND ${command})
    set_tests_properties(${T_NAME}_scale2 PROPERTIES
      LABELS "gui;hidpi"
      ENVIRONMENT "QT_SCALE_FACTOR=2"
      TIMEOUT 300)
  endif()
endfunction()

# glimr_add_library(name SOURCES ... [PUBLIC_LIBS ...])
# One static library per subsystem; its folder's parent (src/) is the include
# root, so code includes "common/regstore.h", "catalog/imagefileinfo.h", ...
function(glimr_add_library name)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src
                                            ${PROJECT_SOURCE_DIR}/plugins)
  target_link_libraries(${name} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
endfunction()

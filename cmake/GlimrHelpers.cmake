# glimr_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [GUI])
# Builds one QtTest program and registers it with CTest. Every test runs in
# its own temporary configuration and home folders so it never touches the
# user's settings, catalog or plug-ins. GUI tests are labelled "gui"; the
# test script runs the whole suite under Xvfb.
function(glimr_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} glimr_testsupport Qt6::Test)
  target_compile_definitions(${T_NAME} PRIVATE
    GLIMR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    GLIMR_BINARY_DIR="${PROJECT_BINARY_DIR}"
    GLIMR_PLUGIN_DIR="${GLIMR_PLUGIN_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "QT_QPA_PLATFORM=offscreen")
  if(T_GUI)
    set(env "")
    set_tests_properties(${T_NAME} PROPERTIES LABELS gui)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "${env}"
    TIMEOUT 300)
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

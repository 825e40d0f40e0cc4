# One static library per module, compiled position-independent so that the modules can be
# linked into the shared library as well as into the unit tests.
function(vixo_add_module)
  cmake_parse_arguments(M "" "NAME" "SRCS;DEPS" ${ARGN})
  add_library(${M_NAME} STATIC ${M_SRCS})
  set_target_properties(${M_NAME} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${M_NAME} PUBLIC vixo_includes ${M_DEPS})
endfunction()

# One GoogleTest program per module; each test case becomes a CTest test.
# GUI: the program opens windows (it gets the toolkit's test main); its tests run one at a time,
# since they share the display and its clipboard, and carry the label "window", so that
# `ctest -LE window` runs the tests that need no display. Listing the tests needs no display:
# a test checks that the program lists its tests with no display at all.
function(vixo_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SRCS;DEPS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SRCS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE VIXO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  # An empty value would be dropped from the list and shift every property after it.
  set(properties)
  if(T_ENV)
    list(APPEND properties ENVIRONMENT "${T_ENV}")
  endif()
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} vixo_gui_test_main GTest::gtest GTest::gmock)
    gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ${properties} RESOURCE_LOCK display LABELS window)
    add_test(NAME ${T_NAME}.ListsItsTestsWithoutADisplay
             COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                     $<TARGET_FILE:${T_NAME}> --gtest_list_tests)
    set_tests_properties(${T_NAME}.ListsItsTestsWithoutADisplay PROPERTIES
                         PASS_REGULAR_EXPRESSION "\\.\n  [A-Za-z]"
                         FAIL_REGULAR_EXPRESSION "could not start")
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
  endif()
endfunction()

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
# since they share the display and its clipboard.
function(vixo_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SRCS;DEPS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SRCS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE VIXO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  # An empty value would vanish from the list and leave ENVIRONMENT to take the next word.
  set(properties "")
  if(T_ENV)
    list(APPEND properties ENVIRONMENT "${T_ENV}")
  endif()
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} vixo_gui_test_main GTest::gtest GTest::gmock)
    gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ${properties} RESOURCE_LOCK display)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    if(properties)
      gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
    else()
      gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST)
    endif()
  endif()
endfunction()

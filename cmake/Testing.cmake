# p42r_test(NAME SOURCES... LIBS ...): one GoogleTest executable registered with CTest.
#
# By default each of its cases is a CTest test of its own. With
# P42R_TEST_WHOLE_EXECUTABLES (the sanitizer presets) the executable is one
# test that runs all its cases in one process: the same cases run, but an
# instrumented process starts once per executable instead of once per case,
# which was most of a sanitizer run's time. A case that skips marks the
# whole executable skipped; its log says which.
option(P42R_TEST_WHOLE_EXECUTABLES "Register each test executable as one test, not each of its cases" OFF)

function(p42r_test name)
  if(NOT P42R_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  p42r_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  if(P42R_TEST_WHOLE_EXECUTABLES)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900 LABELS "${T_LABELS}"
                                            SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS "${T_LABELS}")
  endif()
endfunction()

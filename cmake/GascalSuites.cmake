# Included by CTest (through a test directory's TEST_INCLUDE_FILES) with BIN, WD, OUT and
# TIMEOUT set: lists the suites of the test program BIN once it is newer than OUT, writes one
# CTest test per suite into OUT ("Suite" runs --gtest_filter=Suite.*) and includes it. A suite
# runs in one process: most of a test's cost is starting the program and its libraries.
if(NOT EXISTS "${BIN}")
  add_test("${NAME}_NOT_BUILT" "${NAME}_NOT_BUILT")
  return()
endif()
if(NOT EXISTS "${OUT}" OR "${BIN}" IS_NEWER_THAN "${OUT}")
  execute_process(COMMAND "${BIN}" --gtest_list_tests WORKING_DIRECTORY "${WD}" TIMEOUT 60
                  OUTPUT_VARIABLE listed RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${BIN} --gtest_list_tests failed (${result}):\n${listed}")
  endif()
  string(REPLACE ";" "" listed "${listed}")
  string(REPLACE "\n" ";" lines "${listed}")
  set(content "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_/]+)\\.")
      set(suite "${CMAKE_MATCH_1}")
      string(APPEND content "add_test([==[${suite}]==] [==[${BIN}]==] [==[--gtest_filter=${suite}.*]==])\n"
             "set_tests_properties([==[${suite}]==] PROPERTIES WORKING_DIRECTORY [==[${WD}]==] TIMEOUT ${TIMEOUT})\n")
    endif()
  endforeach()
  file(WRITE "${OUT}" "${content}")
endif()
include("${OUT}")

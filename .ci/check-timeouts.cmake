# cmake -DBUILD=FOLDER -P .ci/check-timeouts.cmake
# Fails, naming them, when tests of the CTest build folder FOLDER have no time
# limit (the TIMEOUT property): such a test could hang CI. Listing the tests
# also runs the discovery of any test program built since the last run.
execute_process(COMMAND ctest --test-dir ${BUILD} --show-only=json-v1
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ctest could not list the tests of ${BUILD}")
endif()
string(JSON tests GET "${listing}" tests)
string(JSON count LENGTH "${tests}")
if(count EQUAL 0)
  message(FATAL_ERROR "${BUILD} has no tests")
endif()
math(EXPR last "${count} - 1")
set(untimed "")
foreach(i RANGE ${last})
  string(JSON test GET "${tests}" ${i})
  string(JSON name GET "${test}" name)
  string(JSON properties ERROR_VARIABLE no_properties GET "${test}" properties)
  if(no_properties OR NOT properties MATCHES "\"name\" *: *\"TIMEOUT\"")
    string(APPEND untimed "  ${name}\n")
  endif()
endforeach()
if(untimed)
  message(FATAL_ERROR "tests without a time limit (TIMEOUT) in ${BUILD}:\n${untimed}")
endif()
message(STATUS "all ${count} tests of ${BUILD} have a time limit")

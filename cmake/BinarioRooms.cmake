# Each folder of src/ is a room: a library of its own, linked to the rooms
# below it, whose files may include only its own headers and those of the
# rooms it uses. The includes are checked before the library is compiled, so
# an include that points up fails the build.

set(BINARIO_CHECK_INCLUDES ${CMAKE_CURRENT_LIST_DIR}/check_includes.cmake)

# binario_check_room(TARGET ROOM ALLOWED <rooms...> [TEST_ALLOWED <rooms...>])
# Checks every source, header and test of src/ROOM and makes TARGET wait for
# the check.
function(binario_check_room target room)
  cmake_parse_arguments(ARG "" "" "ALLOWED;TEST_ALLOWED" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${room}/*.cc
    ${PROJECT_SOURCE_DIR}/src/${room}/*.h)
  set(list_file ${CMAKE_BINARY_DIR}/layers/${room}_includes.txt)
  list(JOIN files "\n" lines)
  file(WRITE ${list_file}.in "${lines}\n")
  configure_file(${list_file}.in ${list_file} COPYONLY)
  set(stamp ${CMAKE_BINARY_DIR}/layers/${room}_includes.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOM=${room} "-DALLOWED=${room};${ARG_ALLOWED}"
      "-DTEST_ALLOWED=${ARG_TEST_ALLOWED}" -DFILES_LIST=${list_file} -DSTAMP=${stamp}
      -P ${BINARIO_CHECK_INCLUDES}
    DEPENDS ${files} ${list_file} ${BINARIO_CHECK_INCLUDES}
    COMMENT "Checking the includes of src/${room}"
    VERBATIM)
  add_custom_target(binario_${room}_includes DEPENDS ${stamp})
  add_dependencies(${target} binario_${room}_includes)
endfunction()

# binario_room(ROOM [USES <rooms...>] [TEST_USES <rooms...>])
# The library binario_ROOM from src/ROOM/*.cc (tests and main excluded),
# linked to binario_<room> of each room it uses.
function(binario_room room)
  cmake_parse_arguments(ARG "" "" "USES;TEST_USES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${room}/*.cc)
  list(FILTER sources EXCLUDE REGEX "(_test|/main)\\.cc$")
  add_library(binario_${room} STATIC ${sources})
  target_include_directories(binario_${room} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  foreach(used IN LISTS ARG_USES)
    target_link_libraries(binario_${room} PUBLIC binario_${used})
  endforeach()
  binario_check_room(binario_${room} ${room} ALLOWED ${ARG_USES}
    TEST_ALLOWED test_support ${ARG_TEST_USES})
endfunction()

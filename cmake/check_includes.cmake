# Fails when a file of a room includes a header of a room it may not use.
# Run as a script:
#   cmake -DROOM=output -DALLOWED="output;compiler" -DTEST_ALLOWED="test_support"
#         -DFILES_LIST=<file holding one path per line> -DSTAMP=<file> -P check_includes.cmake
# A test (*_test.cc) may also include the rooms of TEST_ALLOWED.
# Only src/cli/command_line.cc includes the argument parser: being header-only,
# it costs seconds of compile time in every file that includes it.
file(STRINGS "${FILES_LIST}" files)
set(faults "")
foreach(path IN LISTS files)
  set(allowed ${ALLOWED})
  if(path MATCHES "_test\\.cc$")
    list(APPEND allowed ${TEST_ALLOWED})
  endif()
  file(STRINGS "${path}" parser_includes REGEX "^[ \t]*#[ \t]*include[ \t]*<CLI/")
  if(parser_includes AND NOT path MATCHES "/src/cli/command_line\\.cc$")
    string(APPEND faults "${path}: includes the argument parser, which only "
      "src/cli/command_line.cc may include (declare arguments with cli/arguments.h)\n")
  endif()
  file(STRINGS "${path}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    if(NOT header MATCHES "/")
      continue()  # a header beside the file itself
    endif()
    string(REGEX REPLACE "/.*" "" room "${header}")
    list(FIND allowed "${room}" at)
    if(at EQUAL -1)
      string(APPEND faults "${path}: includes \"${header}\", but ${ROOM}/ may use only: ${allowed}\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "an include the rooms do not allow:\n${faults}")
endif()
file(WRITE "${STAMP}" "")

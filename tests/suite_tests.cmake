# SPDX-License-Identifier: MIT
# One CTest test per GoogleTest suite (`--gtest_filter=Suite.*`) instead of one per case: a
# process per case pays the sanitizers' and fontconfig's start-up hundreds of times. Every case
# still runs, and a failing one is named in the test's output by GoogleTest's own summary.
#
# Included by tests/CMakeLists.txt for enclova_suite_tests(); run with -P after each build of a
# test executable to write the list of its suites for CTest.

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND "${EXECUTABLE}" --gtest_list_tests
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status TIMEOUT 60)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} --gtest_list_tests failed (${status}):\n${listing}")
  endif()
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(script "")
  set(suites 0)
  foreach(line IN LISTS lines)
    # Suites start in the first column ("Suite." or "Prefix/Suite/0.  # TypeParam = ..."),
    # their cases are indented.
    if(line MATCHES "^([^ #]+)\\.")
      set(suite "${CMAKE_MATCH_1}")
      set(properties "TIMEOUT ${TIMEOUT}")
      set(labels "${LABELS}")
      if(NOT OTHER STREQUAL "" AND suite MATCHES "${OTHER}")
        set(labels "${OTHER_LABELS}")
      endif()
      if(NOT labels STREQUAL "")
        string(APPEND properties " LABELS [==[${labels}]==]")
      endif()
      if(NOT SERIAL STREQUAL "" AND suite MATCHES "${SERIAL}")
        string(APPEND properties " RUN_SERIAL TRUE")
      endif()
      if(NOT LONG STREQUAL "" AND suite MATCHES "${LONG}")
        string(APPEND properties " COST 100")
      endif()
      string(APPEND script
        "add_test([==[${suite}]==] [==[${EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${suite}]==] PROPERTIES ${properties})\n")
      math(EXPR suites "${suites} + 1")
    endif()
  endforeach()
  if(suites EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} lists no test suites:\n${listing}")
  endif()
  file(WRITE "${OUTPUT}" "${script}")
  return()
endif()

set(ENCLOVA_SUITE_TESTS_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

# enclova_suite_tests(target TIMEOUT seconds [LABELS label] [OTHER regex OTHER_LABELS label]
# [SERIAL regex] [LONG regex]): after every build of `target`, its suites become CTest tests,
# labelled LABELS, or OTHER_LABELS when they match OTHER; suites matching SERIAL run alone, and
# those matching LONG start first under ctest -j (before a run has measured them), so that the
# short ones fill the other cores around them instead of leaving one long suite to run last.
function(enclova_suite_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TIMEOUT;LABELS;OTHER;OTHER_LABELS;SERIAL;LONG" "")
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -D "EXECUTABLE=$<TARGET_FILE:${target}>" -D "OUTPUT=${list_file}"
            -D "TIMEOUT=${ARG_TIMEOUT}" -D "LABELS=${ARG_LABELS}" -D "OTHER=${ARG_OTHER}"
            -D "OTHER_LABELS=${ARG_OTHER_LABELS}" -D "SERIAL=${ARG_SERIAL}"
            -D "LONG=${ARG_LONG}"
            -P "${ENCLOVA_SUITE_TESTS_SCRIPT}"
    BYPRODUCTS "${list_file}"
    VERBATIM)
  # Until the executable is built there is nothing to list; CTest then reports it as missing.
  file(WRITE "${include_file}"
    "if(EXISTS [==[${list_file}]==])\n"
    "  include([==[${list_file}]==])\n"
    "else()\n"
    "  add_test([==[${target}_NOT_BUILT]==] [==[${target}_NOT_BUILT]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()

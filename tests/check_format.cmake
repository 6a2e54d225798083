# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# Fails when a source file differs from what clang-format makes of it (.clang-format at the top).
find_program(CLANG_FORMAT NAMES clang-format clang-format-15 clang-format-14 REQUIRED)
set(folders app base puzzle ranking gfx fonts frontend headless posix sdl replay tools tests
    bench fuzz web win32 server world)
set(sources "")
foreach(folder ${folders})
  file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  list(APPEND sources ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                RESULT_VARIABLE status ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Not formatted (run clang-format -i on these):\n${report}")
endif()

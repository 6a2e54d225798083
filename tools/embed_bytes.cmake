# SPDX-License-Identifier: MIT
# Writes a C++ source holding a file's bytes as an array, with CMake alone, so that any toolchain
# (a cross compiler's too) builds it:
#   cmake -DINPUT=FILE -DOUTPUT=SOURCE.cpp -DNAME=kSomething -P embed_bytes.cmake
# defines enclova::NAMEBytes[] and enclova::NAMEByteCount.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
  "// Generated from ${input_name} by tools/embed_bytes.cmake: do not edit.\n"
  "#include <cstddef>\n\nnamespace enclova {\n\n"
  "extern const unsigned char ${NAME}Bytes[] = {\n${bytes}};\n"
  "extern const std::size_t ${NAME}ByteCount = sizeof ${NAME}Bytes;\n\n"
  "}  // namespace enclova\n")

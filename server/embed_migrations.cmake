# SPDX-License-Identifier: MIT
# Writes a C++ source holding every migration file of a folder, in the order of the numbers
# that begin their names:
#   cmake -DINPUT_DIR=server/migrations -DOUTPUT=migrations.cpp -P embed_migrations.cmake
file(GLOB files "${INPUT_DIR}/[0-9][0-9][0-9][0-9]_*.sql")
list(SORT files)
set(entries "")
set(last 0)
foreach(path ${files})
  get_filename_component(name "${path}" NAME_WE)
  string(SUBSTRING "${name}" 0 4 digits)
  math(EXPR version "${digits}")
  math(EXPR next "${last} + 1")
  if(NOT version EQUAL next)
    message(FATAL_ERROR "${path}: migration ${version} follows ${last}")
  endif()
  set(last ${version})
  file(READ "${path}" sql)
  if(sql MATCHES "\\)sql\"")
    message(FATAL_ERROR "${path} holds the literal's closing delimiter")
  endif()
  string(APPEND entries "    {${version}, \"${name}\", R\"sql(${sql})sql\"},\n")
endforeach()
if(last EQUAL 0)
  message(FATAL_ERROR "no migrations in ${INPUT_DIR}")
endif()
file(WRITE "${OUTPUT}.new"
  "// Generated from server/migrations by server/embed_migrations.cmake: do not edit.\n"
  "#include \"server/migrations.h\"\n\nnamespace enclova::server {\n\n"
  "extern const Migration kMigrations[] = {\n${entries}};\n"
  "extern const std::size_t kMigrationCount = ${last};\n\n"
  "}  // namespace enclova::server\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")

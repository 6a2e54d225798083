# SPDX-License-Identifier: MIT
# Run by cpack after it packs: CPack gives the three members of a .deb (an ar archive) the modes
# their temporary files had, which follow the packer's umask. They become 0644, as dpkg-deb
# writes them, so that one tree packs to the same bytes under any umask.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE "${package}" size)
  set(mode_file "${package}.mode")
  file(WRITE "${mode_file}" "100644  ")
  set(offset 8)  # past "!<arch>\n"
  while(offset LESS size)
    # A member's header: name 16, time 12, owner 6, group 6, mode 8, size 10, "`\n" 2 bytes.
    file(READ "${package}" header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 40 8 mode)
    string(SUBSTRING "${header}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${package}: no ar member header at ${offset}")
    endif()
    if(NOT mode STREQUAL "100644  ")
      math(EXPR mode_offset "${offset} + 40")
      execute_process(COMMAND dd if=${mode_file} of=${package} bs=1 seek=${mode_offset} conv=notrunc
                      RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
      if(failed)
        message(FATAL_ERROR "${package}: cannot set the mode of the member at ${offset}")
      endif()
    endif()
    math(EXPR offset "${offset} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
  file(REMOVE "${mode_file}")
endforeach()

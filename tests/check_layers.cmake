# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# Fails when an include runs against the layers of ARCHITECTURE.md, when SDL or X11 appear
# outside the window binding (sdl/), or FreeType or fontconfig outside fonts/.
#
#   sdl, win32, web, headless, server (the front ends) -> frontend, base (the seam only)
#   sdl -> posix (the Linux system's services) -> frontend, base; posix -> fonts
#   frontend -> replay -> app -> puzzle, ranking -> base, gfx
#   tools -> fonts -> base, gfx
#   sdl -> world (the desktop's client of the server) -> frontend, base
#
# A folder may include its own files and those of any folder below it; tools may use everything
# but the front ends. Tests and benchmarks may use everything. A front end never includes a game
# header: <windows.h> defines as macros names that the game's headers use (VK_ESCAPE, SRCCOPY),
# and a front end that sees only the seam can be added without reading the game.
set(allowed_app app puzzle ranking base gfx)
set(allowed_fonts fonts base gfx)
set(allowed_puzzle puzzle base)
set(allowed_ranking ranking base)
set(allowed_base base)
set(allowed_gfx gfx)
set(allowed_tools tools app puzzle ranking base gfx fonts)
set(allowed_replay replay app puzzle ranking base gfx)
set(allowed_frontend frontend replay app puzzle ranking base gfx)
set(allowed_posix posix frontend base fonts)
set(allowed_sdl sdl posix world frontend base)
set(allowed_headless headless frontend base)
set(allowed_web web frontend base)
set(allowed_win32 win32 frontend base)
set(allowed_server server frontend base)
set(allowed_world world frontend base)

set(offences "")
foreach(layer app puzzle ranking base gfx fonts tools replay frontend posix sdl headless web win32
              server world)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.h)
  foreach(source ${sources})
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" target "${line}")
      if(target MATCHES "^(SDL|X11/)")
        if(NOT name MATCHES "^sdl/")
          list(APPEND offences "${name}: ${target} (the window system stays in the binding)")
        endif()
        continue()
      endif()
      if(target MATCHES "^(ft2build\\.h|freetype/|fontconfig/)")
        if(NOT name MATCHES "^fonts/")
          list(APPEND offences "${name}: ${target} (the font libraries stay in fonts/)")
        endif()
        continue()
      endif()
      if(NOT target MATCHES "^([a-z]+)/")
        continue()
      endif()
      set(folder ${CMAKE_MATCH_1})
      if(NOT EXISTS ${SOURCE_DIR}/${folder})
        continue()
      endif()
      if(NOT folder IN_LIST allowed_${layer})
        list(APPEND offences "${name}: ${target} (${layer} may not use ${folder})")
      endif()
    endforeach()
  endforeach()
endforeach()

# Every header of the seam compiles after <windows.h>: the Windows build's header check includes
# each of them.
file(GLOB seam_headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/frontend/*.h)
file(READ ${SOURCE_DIR}/tests/cross/windows_header_check.cpp checked)
foreach(header ${seam_headers})
  string(FIND "${checked}" "#include \"${header}\"" at)
  if(at EQUAL -1)
    list(APPEND offences "${header}: not included by tests/cross/windows_header_check.cpp")
  endif()
endforeach()

if(offences)
  list(JOIN offences "\n  " report)
  message(FATAL_ERROR "Includes against the layers:\n  ${report}")
endif()

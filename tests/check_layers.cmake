# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# Fails when an include runs against the layers of ARCHITECTURE.md, when SDL or X11 appear
# outside the window binding (platform/sdl_* and platform/main.cpp), or FreeType or fontconfig
# outside fonts/.
#
#   platform -> frontend -> replay -> app -> puzzle, ranking -> base, gfx
#   platform, tools -> fonts -> base, gfx
#   headless -> replay
#   web -> frontend, base (the page sees the seam only)
#   win32 -> frontend, base (the seam's headers only)
#   server -> frontend, base (the seam, which proves a round by playing it back)
#   world -> frontend, base (the desktop's client of the server)
#   platform -> world
#
# A folder may include its own files and those of any folder below it; tools may use everything
# but the platform. Tests and benchmarks may use everything.
set(allowed_app app puzzle ranking base gfx)
set(allowed_fonts fonts base gfx)
set(allowed_puzzle puzzle base)
set(allowed_ranking ranking base)
set(allowed_base base)
set(allowed_gfx gfx)
set(allowed_tools tools app puzzle ranking base gfx fonts)
set(allowed_replay replay app puzzle ranking base gfx)
set(allowed_frontend frontend replay app puzzle ranking base gfx)
set(allowed_platform platform frontend replay app puzzle ranking base gfx fonts world)
set(allowed_headless headless replay app puzzle ranking base gfx)
set(allowed_web web frontend base)
# The Win32 front end sees the game only through the seam: <windows.h> defines names as macros
# that the game's deeper headers use.
set(allowed_win32 win32 frontend base)
set(allowed_server server frontend base)
set(allowed_world world frontend base)

set(offences "")
foreach(layer app puzzle ranking base gfx fonts tools replay frontend platform headless web win32
              server world)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.h)
  foreach(source ${sources})
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" target "${line}")
      if(target MATCHES "^(SDL|X11/)")
        if(NOT name MATCHES "^platform/(sdl_[^/]*|main\\.cpp)$")
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

if(offences)
  list(JOIN offences "\n  " report)
  message(FATAL_ERROR "Includes against the layers:\n  ${report}")
endif()

# SPDX-License-Identifier: MIT
# Read by cpack as it packs: the package's times come from the source, not the clock.
# SOURCE_DATE_EPOCH set by the caller wins; then the last commit's time; outside a git checkout,
# the date of the newest entry in debian/changelog, as Debian's own tools take it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_ENCLOVA_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                  RESULT_VARIABLE failed)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_ENCLOVA_SOURCE_DIR}/debian/changelog"
                            -STimestamp
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No time for the package: set SOURCE_DATE_EPOCH")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()

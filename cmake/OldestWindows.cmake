# The oldest Windows a build is for, TARNWICK_OLDEST_WINDOWS (set by the
# presets), goes into the PE header's OS and subsystem version fields: Windows
# refuses to start a program whose subsystem version is newer than itself. The
# import check (tests/imports) holds the program's imports to the same version.
# The names and their version numbers are those of tests/imports/imports.txt.
set(TARNWICK_OLDEST_WINDOWS Vista
  CACHE STRING "Oldest Windows the program runs on, as named in tests/imports/imports.txt")

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../tests/imports/imports.txt windows_versions
  REGEX "^windows ")
set(oldest_windows_version)
foreach(line IN LISTS windows_versions)
  if(line MATCHES "^windows +([^ ]+) +([0-9]+)\\.([0-9]+)" AND
     CMAKE_MATCH_1 STREQUAL TARNWICK_OLDEST_WINDOWS)
    set(oldest_windows_version ${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
    add_link_options(
      -Wl,--major-os-version,${CMAKE_MATCH_2} -Wl,--minor-os-version,${CMAKE_MATCH_3}
      -Wl,--major-subsystem-version,${CMAKE_MATCH_2} -Wl,--minor-subsystem-version,${CMAKE_MATCH_3})
  endif()
endforeach()
if(NOT oldest_windows_version)
  message(FATAL_ERROR "TARNWICK_OLDEST_WINDOWS '${TARNWICK_OLDEST_WINDOWS}' is not a Windows version named in tests/imports/imports.txt")
endif()
message(STATUS "Oldest Windows: ${TARNWICK_OLDEST_WINDOWS} (PE version ${oldest_windows_version})")

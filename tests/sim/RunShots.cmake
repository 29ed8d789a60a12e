# Runs one script of shots through zolvex-sim in a fresh folder that holds links
# to the generated pictures, sounds and tunes, and compares the SHA-256 of every
# shot with the recorded ones. The shots hold rendered text, so the record is
# that of the build packages' fonts (DejaVu through FreeType). With -DRECORD=ON
# this run's digests become the new record.
cmake_minimum_required(VERSION 3.25)

foreach(var SIM SCRIPT EXPECTED ASSETS WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunShots.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK} ${WORK}.actual)
file(MAKE_DIRECTORY ${WORK})
foreach(asset bmp wav open.mid game.mid rank.mid)
  if(EXISTS ${ASSETS}/${asset})
    file(CREATE_LINK ${ASSETS}/${asset} ${WORK}/${asset} SYMBOLIC)
  endif()
endforeach()

execute_process(COMMAND ${SIM} --time 1000000000 ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_QUIET
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE_RECURSE ${WORK})
  message(FATAL_ERROR "zolvex-sim ended with ${status}: ${errors}")
endif()

# One line a shot, in the form sha256sum writes and checks.
file(GLOB shots RELATIVE ${WORK} ${WORK}/*.bmp)
list(SORT shots)
set(actual "")
foreach(shot ${shots})
  file(SHA256 ${WORK}/${shot} digest)
  string(APPEND actual "${digest}  ${shot}\n")
endforeach()

if(RECORD)
  file(REMOVE_RECURSE ${WORK})
  file(WRITE ${EXPECTED} "${actual}")
  message(STATUS "recorded ${EXPECTED}")
  return()
endif()
if(NOT EXISTS ${EXPECTED})
  file(REMOVE_RECURSE ${WORK})
  message(FATAL_ERROR "no recorded digests ${EXPECTED}; record them with -DRECORD=ON")
endif()
file(READ ${EXPECTED} expected)
if(actual STREQUAL expected)
  file(REMOVE_RECURSE ${WORK})
  return()
endif()

# Names the shots that differ or are missing and keeps this run's pictures of
# them for a look.
string(REPLACE "\n" ";" expectedLines "${expected}")
string(REPLACE "\n" ";" actualLines "${actual}")
set(report "")
foreach(line ${expectedLines} ${actualLines})
  string(REGEX REPLACE "^[0-9a-f]+  " "" shot "${line}")
  list(FIND expectedLines "${line}" inExpected)
  list(FIND actualLines "${line}" inActual)
  if(inExpected EQUAL -1 OR inActual EQUAL -1)
    if(NOT report MATCHES "(^|\n)  ${shot}\n")
      string(APPEND report "  ${shot}\n")
      if(EXISTS ${WORK}/${shot})
        file(COPY ${WORK}/${shot} DESTINATION ${WORK}.actual)
      endif()
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
message(FATAL_ERROR "shots of ${SCRIPT} differ from ${EXPECTED}:\n${report}"
  "this run's pictures of them are in ${WORK}.actual")

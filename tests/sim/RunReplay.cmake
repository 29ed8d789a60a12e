# Replays one recorded script through zolvex-sim in a fresh folder that holds
# links to the generated pictures, sounds and tunes, and compares its output
# with the recorded dump. With -DRECORD=ON the output becomes the new record.
foreach(var SIM SCRIPT EXPECTED ASSETS WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunReplay.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(asset bmp wav open.mid game.mid rank.mid)
  if(EXISTS ${ASSETS}/${asset})
    file(CREATE_LINK ${ASSETS}/${asset} ${WORK}/${asset} SYMBOLIC)
  endif()
endforeach()

execute_process(COMMAND ${SIM} --time 1000000000 ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
file(REMOVE_RECURSE ${WORK})

if(NOT status EQUAL 0)
  message(FATAL_ERROR "zolvex-sim ended with ${status}: ${errors}")
endif()
if(RECORD)
  file(WRITE ${EXPECTED} "${actual}")
  message(STATUS "recorded ${EXPECTED}")
  return()
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${WORK}.actual "${actual}")
  message(FATAL_ERROR "replay differs from ${EXPECTED}; this run's output is in ${WORK}.actual")
endif()

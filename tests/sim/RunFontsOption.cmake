# zolvex-sim --fonts through the real binary: the title shot with stb_truetype
# differs from the one with FreeType (the option reaches the run), and a name it
# does not know stops the run with status 2.
cmake_minimum_required(VERSION 3.25)

foreach(var SIM ASSETS WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFontsOption.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(CREATE_LINK ${ASSETS}/bmp ${WORK}/bmp SYMBOLIC)
foreach(fonts freetype stb)
  file(WRITE ${WORK}/${fonts}.sim "wait 150\nshot ${fonts}.bmp\n")
  execute_process(COMMAND ${SIM} --fonts ${fonts} ${fonts}.sim
    WORKING_DIRECTORY ${WORK} OUTPUT_QUIET ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/${fonts}.bmp)
    message(FATAL_ERROR "zolvex-sim --fonts ${fonts} ended with ${status}: ${errors}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/freetype.bmp ${WORK}/stb.bmp
  RESULT_VARIABLE same)
if(same EQUAL 0)
  message(FATAL_ERROR "zolvex-sim --fonts stb drew the title as --fonts freetype does")
endif()
execute_process(COMMAND ${SIM} --fonts bitmap stb.sim
  WORKING_DIRECTORY ${WORK} OUTPUT_QUIET ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT errors MATCHES "--fonts needs freetype or stb")
  message(FATAL_ERROR "zolvex-sim --fonts bitmap ended with ${status}: ${errors}")
endif()
file(REMOVE_RECURSE ${WORK})

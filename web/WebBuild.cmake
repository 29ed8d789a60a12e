# The page (included by src/app/CMakeLists.txt in the browser build): the game compiled
# to WebAssembly with its entry WebMain.cpp, and everything a static host serves, in
# site/ of the build folder: index.html, page.js, page.css, zolvex.js, zolvex.wasm and
# zolvex.data (the pictures, sounds and tunes, preloaded into the program's folder).
set(ZOLVEX_SITE_DIR ${CMAKE_BINARY_DIR}/site)

# zolvex-sim --verify's check, so that a replay checked in the page gives its very line.
add_library(zolvex_replay_check STATIC ${PROJECT_SOURCE_DIR}/tools/sim/ReplayCheck.cpp)
target_include_directories(zolvex_replay_check PUBLIC ${PROJECT_SOURCE_DIR}/tools/sim)
# nlohmann's header alone, never all of /usr/include (whose C headers are not emscripten's).
if(NOT EXISTS /usr/include/nlohmann/json.hpp)
  message(FATAL_ERROR "The page's replay check needs nlohmann/json.hpp "
    "(apt-get install nlohmann-json3-dev)")
endif()
set(ZOLVEX_WEB_INCLUDE ${CMAKE_BINARY_DIR}/include-json)
file(MAKE_DIRECTORY ${ZOLVEX_WEB_INCLUDE})
file(CREATE_LINK /usr/include/nlohmann ${ZOLVEX_WEB_INCLUDE}/nlohmann SYMBOLIC)
target_include_directories(zolvex_replay_check SYSTEM PRIVATE ${ZOLVEX_WEB_INCLUDE})
target_link_libraries(zolvex_replay_check PUBLIC zolvex_program zolvex_platform_headless)

add_executable(zolvex WebMain.cpp)
target_link_libraries(zolvex PRIVATE zolvex_program zolvex_replay_check zolvex_platform_web)
set_target_properties(zolvex PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZOLVEX_SITE_DIR} SUFFIX ".js")

# What the game reads from its folder, as "file in the native build@path in the page".
set(data_files bmp/mback.bmp bmp/title.bmp bmp/block.bmp bmp/frame.bmp bmp/fliper.bmp
  wav/drop.wav wav/pan.wav wav/pause.wav wav/gover.wav
  open.mid open.ogg game.mid game.ogg rank.mid rank.ogg)
set(preload)
set(preload_depends)
foreach(file ${data_files})
  list(APPEND preload "SHELL:--preload-file ${ZOLVEX_ASSET_DIR}/${file}@/zolvex/${file}")
  list(APPEND preload_depends ${ZOLVEX_ASSET_DIR}/${file})
endforeach()

# The DejaVu faces the game draws its texts in, cut down to the Latin-1 characters its
# texts are made of (outlines, metrics and kerning kept as they are): a quarter of the
# four files' 2.1 MB. In the page's fonts/ folder.
set(ZOLVEX_FONT_DIR /usr/share/fonts/truetype/dejavu)
find_program(ZOLVEX_FONT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
execute_process(COMMAND ${ZOLVEX_FONT_PYTHON} -c "import fontTools.subset"
  RESULT_VARIABLE no_subsetter OUTPUT_QUIET ERROR_QUIET)
if(no_subsetter)
  message(FATAL_ERROR "The page's fonts need fontTools (apt-get install python3-fonttools)")
endif()
set(font_files)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fonts)
foreach(face DejaVuSans DejaVuSans-Bold DejaVuSansMono DejaVuSansMono-Bold)
  set(subset ${CMAKE_BINARY_DIR}/fonts/${face}.ttf)
  add_custom_command(
    OUTPUT ${subset}
    COMMAND ${ZOLVEX_FONT_PYTHON} -m fontTools.subset ${ZOLVEX_FONT_DIR}/${face}.ttf
      --output-file=${subset} --unicodes=U+0020-007E,U+00A0-00FF --layout-features=*
      --name-IDs=* --name-languages=* --notdef-outline --no-prune-unicode-ranges
      --no-recalc-bounds
    DEPENDS ${ZOLVEX_FONT_DIR}/${face}.ttf
    COMMENT "Cutting ${face} down to Latin-1 for the page"
    VERBATIM)
  list(APPEND font_files ${subset})
  list(APPEND preload "SHELL:--preload-file ${subset}@/zolvex/fonts/${face}.ttf")
  list(APPEND preload_depends ${subset})
endforeach()
add_custom_target(zolvex_web_fonts DEPENDS ${font_files})
add_dependencies(zolvex zolvex_web_fonts)

target_link_options(zolvex PRIVATE
  # The message loop waits for events by sleeping, which needs the program's stack saved
  # and restored around each wait.
  -sASYNCIFY
  -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1
  -sLZ4=1
  -sENVIRONMENT=web
  # The page starts the program once the player's files are loaded and a key is pressed.
  -sINVOKE_RUN=0
  -sEXIT_RUNTIME=0
  "-sEXPORTED_RUNTIME_METHODS=['FS','callMain','addRunDependency','removeRunDependency']"
  -lidbfs.js
  ${preload})
set_property(TARGET zolvex APPEND PROPERTY LINK_DEPENDS ${preload_depends})

# The page's own files beside the program.
foreach(file index.html page.js page.css)
  configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${ZOLVEX_SITE_DIR}/${file} COPYONLY)
endforeach()

# The layer check run on small built projects, each broken one way: every broken one must fail
# with the line that names the fault, and the sound ones must pass.
#   cmake -DCHECK=<CheckLayers.cmake> -DFACTS=<VeskLayerFacts.cmake> -DCXX=<compiler>
#         -DNINJA=<ninja> -DWORK=<scratch folder> -P CheckLayersCatches.cmake
cmake_minimum_required(VERSION 3.20)

set(readme "`top` → `low`\n")
string(CONCAT top_cmake "cmake_minimum_required(VERSION 3.20)\nproject(Case CXX)\ninclude(${FACTS})\n"
       "include(early.cmake OPTIONAL)\nadd_subdirectory(src)\n")
string(CONCAT src_cmake
       "function(lib target folder)\n  file(GLOB sources CONFIGURE_DEPENDS \${folder}/*.cpp)\n  add_library(\${target} STATIC \${sources})\n"
       "  target_include_directories(\${target} PUBLIC \${CMAKE_CURRENT_SOURCE_DIR})\n"
       "  target_link_libraries(\${target} PUBLIC \${ARGN})\nendfunction()\n"
       "lib(vesk_top top vesk_low)\nlib(vesk_low low)\nadd_executable(box box.cpp)\n"
       "target_link_libraries(box PRIVATE vesk_low)\ninclude(case.cmake OPTIONAL)\n")
set(up "low may not point to top")
set(links_up "vesk_low links vesk_top but includes nothing of top")

# Each case: name, the words the check must print (none: it must pass), what to build (all, one
# target or nothing), then files to write and their text; a file marked + is written after the
# build.
set(cases
    "sound||all"
    "comment-include||all|src/low/Low.cpp|/*\n#include \"top/Top.h\"\n*/\n"
    "if0-include||all|src/low/Low.cpp|#if 0\n#include \"top/Top.h\"\n#endif\n"
    "quoted-climb|${up}|all|src/low/Low.cpp|#include \"top/Top.h\"\n"
    "angle-climb|${up}|all|src/low/Low.cpp|#include <top/Top.h>\n"
    "angle-project|our own headers take quotes|all|src/top/Other.cpp|#include <low/Low.h>\n"
    "relative-climb|without climbing|all|src/low/Low.cpp|#include \"../top/Top.h\"\n"
    "macro-include|${up}|all|src/low/Low.cpp|#define H \"top/Top.h\"\n#include H\n"
    "folder-include|${up}|all|src/low/Low.cpp|#include \"Top.h\"\n|src/case.cmake|target_include_directories(vesk_low PRIVATE top)\n"
    "continued-include|${up}|all|src/low/Low.cpp|#include \\\n\"top/Top.h\"\n"
    "digraph-include|${up}|all|src/low/Low.cpp|%:include \"top/Top.h\"\n"
    "through-header|${up}|all|src/low/Low.h|#include \"top/Top.h\"\n|src/top/Top.h|\n"
    "program-climb|box.cpp includes top/Top.h: ${up}|all|src/box.cpp|#include \"top/Top.h\"\nint main() {}\n"
    "no-program|stray.cpp includes low/Low.h: stray, which links no layer, may not point to low|all|src/stray.cpp|#include \"low/Low.h\"\nint main() {}\n|early.cmake|add_executable(stray src/stray.cpp)\n"
    "stray-link|${links_up}|all|src/case.cmake|target_link_libraries(vesk_low PRIVATE vesk_top)\n"
    "set-link|${links_up}|all|src/case.cmake|set(LIBS vesk_top)\ntarget_link_libraries(vesk_low PRIVATE \${LIBS})\n"
    "appended-target|${links_up}|all|src/case.cmake|set(T)\nlist(APPEND T vesk_low)\ntarget_link_libraries(\${T} PRIVATE vesk_top)\n"
    "elsewhere-link|${links_up}|all|early.cmake|set(ELSEWHERE vesk_low)\n|src/case.cmake|target_link_libraries(\${ELSEWHERE} PRIVATE vesk_top)\n"
    "macro-link|${links_up}|all|src/case.cmake|macro(tie a b)\n  target_link_libraries(\${a} PRIVATE \${b})\nendmacro()\ntie(vesk_low vesk_top)\n"
    "property-link|${links_up}|all|src/case.cmake|set_property(TARGET vesk_low APPEND PROPERTY INTERFACE_LINK_LIBRARIES vesk_top)\n"
    "helper-link|${links_up}|all|src/case.cmake|add_library(helper INTERFACE)\ntarget_link_libraries(helper INTERFACE vesk_top)\ntarget_link_libraries(vesk_low PRIVATE helper)\n"
    "unlinked-include|vesk_top links vesk_low but includes nothing of low|all|src/top/Top.h|\n"
    "two-layers|vesk_low builds files of [a-z]+ and of [a-z]+|all|src/top/Extra.cpp|\n|src/case.cmake|target_sources(vesk_low PRIVATE top/Extra.cpp)\n"
    "no-library|src/top has sources but no library|all|src/CMakeLists.txt|add_library(vesk_low STATIC low/Low.cpp)\ntarget_include_directories(vesk_low PUBLIC .)\nadd_executable(box box.cpp top/Top.cpp)\ntarget_link_libraries(box PRIVATE vesk_low)\n"
    "sub-library|vesk_sub links vesk_top but includes nothing of top|all|src/case.cmake|add_subdirectory(low/sub)\n|src/low/sub/CMakeLists.txt|add_library(vesk_sub STATIC X.cpp)\ntarget_link_libraries(vesk_sub PRIVATE vesk_top)\n|src/low/sub/X.cpp|\n"
    "unbuilt|are not built|vesk_low"
    "unrecorded|has no dependency records|none"
    "stale|not up to date|all|+src/low/Low.cpp|// edited\n#include \"low/Low.h\"\n"
    "stale-links|changed after CMake generated|all|src/case.cmake|\n|+src/case.cmake|target_link_libraries(vesk_low PRIVATE vesk_top)\n"
    "new-file|src/low/New.cpp is read by no compile|all|+src/low/New.cpp|#include \"top/Top.h\"\n"
    "empty-facts|layer-links.txt names no library|all|+build/layer-links.txt|")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(POP_FRONT parts name expected build)
  set(root ${WORK}/${name})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/README.md "${readme}")
  file(WRITE ${root}/CMakeLists.txt "${top_cmake}")
  file(WRITE ${root}/src/CMakeLists.txt "${src_cmake}")
  file(WRITE ${root}/src/top/Top.h "#include \"low/Low.h\"\n")
  file(WRITE ${root}/src/top/Top.cpp "#include \"top/Top.h\"\n")
  file(WRITE ${root}/src/low/Low.h "")
  file(WRITE ${root}/src/low/Low.cpp "#include \"low/Low.h\"\n")
  file(WRITE ${root}/src/box.cpp "#include \"low/Low.h\"\nint main() {}\n")
  set(later "")
  while(parts)
    list(POP_FRONT parts file text)
    if(file MATCHES "^\\+")
      list(APPEND later "${file}" "${text}")
    else()
      file(WRITE ${root}/${file} "${text}")
    endif()
  endwhile()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${root} -B ${root}/build -G Ninja -DCMAKE_MAKE_PROGRAM=${NINJA}
                          -DCMAKE_CXX_COMPILER=${CXX}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: the project does not configure: ${out}")
  endif()
  if(NOT build STREQUAL "none")
    set(targets "")
    if(NOT build STREQUAL "all")
      set(targets --target ${build})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${root}/build ${targets} RESULT_VARIABLE rc
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${name}: the project does not build: ${out}")
    endif()
  endif()
  while(later)
    list(POP_FRONT later file text)
    string(SUBSTRING "${file}" 1 -1 file)
    file(WRITE ${root}/${file} "${text}")
  endwhile()
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -DBUILD=${root}/build -DNINJA=${NINJA} -P ${CHECK} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # CMake wraps the lines of its messages.
  string(REGEX REPLACE "[ \n]+" " " out "${out}")
  if(NOT expected AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: the check refused a sound project: ${out}")
  elseif(expected AND (rc EQUAL 0 OR NOT out MATCHES "${expected}"))
    message(FATAL_ERROR "${name}: the check gave ${rc} and said: ${out}")
  endif()
  file(REMOVE_RECURSE ${root})
endforeach()

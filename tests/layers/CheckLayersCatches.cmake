# The layer check run on small trees that break it one way each: every one must fail, with
# the line that names the fault.
#   cmake -DCHECK=<CheckLayers.cmake> -DWORK=<scratch folder> -P CheckLayersCatches.cmake
cmake_minimum_required(VERSION 3.20)

set(readme "`top` → `low`\n")
string(CONCAT libraries "vesk_folder_library(vesk_top top DEPS vesk_low)\nvesk_folder_library(vesk_low low)\n"
       "add_executable(box box.cpp)\ntarget_link_libraries(box PRIVATE vesk_low)\n")
set(top_header "#include \"low/Low.h\"\n")

# Each case: name, the file to write below the tree, its text, the words the check must print.
set(cases
    "quoted-climb|src/low/Low.cpp|#include \"top/Top.h\"\n|low may not point to top"
    "angle-climb|src/low/Low.cpp|#include <top/Top.h>\n|low may not point to top"
    "angle-project|src/top/Other.cpp|#include <low/Low.h>\n|our own headers take quotes"
    "stray-link|tools/CMakeLists.txt|target_link_libraries(vesk_low PRIVATE vesk_top)\n|links vesk_low outside"
    "relative-climb|src/low/Low.cpp|#include \"../top/Top.h\"\n|without climbing"
    "split-link|tools/CMakeLists.txt|target_link_libraries(\n  vesk_low PRIVATE vesk_top)\n|links vesk_low outside"
    "set-link|src/CMakeLists.txt|set(LIBS vesk_top)\nvesk_folder_library(vesk_top top DEPS vesk_low)\nvesk_folder_library(vesk_low low DEPS \${LIBS})\n|vesk_low links vesk_top but"
    "appended-target|tools/CMakeLists.txt|set(T)\nlist(APPEND T vesk_low)\ntarget_link_libraries(\${T} PRIVATE vesk_top)\n|links vesk_low outside"
    "unset-link|src/CMakeLists.txt|vesk_folder_library(vesk_top top DEPS vesk_low)\nvesk_folder_library(vesk_low low DEPS \${ELSEWHERE})\n|links through ELSEWHERE"
    "unset-target|tools/CMakeLists.txt|target_link_libraries(\${ELSEWHERE} PRIVATE vesk_top)\n|ELSEWHERE}, a name its file"
    "program-climb|src/box.cpp|#include \"top/Top.h\"\n|box.cpp includes top/Top.h: low may not point to top"
    "no-program|src/stray.cpp|#include \"low/Low.h\"\n|no program may not point to low")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  list(GET parts 2 text)
  list(GET parts 3 expected)
  set(root ${WORK}/${name})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/README.md "${readme}")
  file(WRITE ${root}/src/CMakeLists.txt "${libraries}")
  file(WRITE ${root}/src/top/Top.h "${top_header}")
  file(WRITE ${root}/src/low/Low.h "")
  file(WRITE ${root}/${file} "${text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -P ${CHECK} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc EQUAL 0 OR NOT out MATCHES "${expected}")
    message(FATAL_ERROR "${name}: the check gave ${rc} and said: ${out}")
  endif()
endforeach()

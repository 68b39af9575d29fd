# Shared compile settings and the one-library-per-folder helpers.

add_library(vesk_options INTERFACE)
# Matrix and blend arithmetic rounds each term; fused multiply-add would change results.
target_compile_options(vesk_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -ffp-contract=off)
if(VESK_WERROR)
  target_compile_options(vesk_options INTERFACE -Werror)
endif()
# g++ 12 reports false overlaps inside std::string at -O2 (GCC bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(vesk_options INTERFACE -Wno-restrict)
endif()
if(VESK_SANITIZE)
  target_compile_options(vesk_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
                                                -fno-omit-frame-pointer)
  target_link_options(vesk_options INTERFACE -fsanitize=address,undefined)
endif()
if(VESK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VESK_FUZZ needs clang (libFuzzer)")
  endif()
  target_compile_options(vesk_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(vesk_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(vesk_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# vesk_folder_library(<target> <folder> [RECURSE] DEPS <targets...>)
# Every .cpp directly in the folder (or below it with RECURSE) builds the library.
function(vesk_folder_library target folder)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  endif()
  if(NOT sources)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${stub} "// This folder has no sources yet.\n")
    set(sources ${stub})
  endif()
  add_library(${target} STATIC ${sources})
  target_link_libraries(${target} PUBLIC vesk_options ${ARG_DEPS})
endfunction()

# vesk_folder_tests(<target> <folder> DEPS <targets...>)
# Every .cpp in the folder builds one GoogleTest binary registered with CTest.
# The whole-game demo replays take a minute under the sanitizers; the limit leaves room for a busy CI.
function(vesk_folder_tests target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE vesk_options ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 300)
endfunction()

# Writes <build>/layer-links.txt at generate time: every target of the build with its type, its
# folder and its link properties as CMake ended with them, however they were set. The layer
# check reads it instead of the build files' text.

function(vesk_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    vesk_collect_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(vesk_write_layer_facts)
  vesk_collect_targets(${CMAKE_SOURCE_DIR} targets)
  set(text "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "UTILITY" OR type STREQUAL "GLOBAL_TARGET")
      continue()
    endif()
    get_target_property(dir ${target} SOURCE_DIR)
    string(APPEND text "${target}\t${type}\t${dir}\t$<JOIN:$<TARGET_PROPERTY:${target},LINK_LIBRARIES>, >\t"
           "$<JOIN:$<TARGET_PROPERTY:${target},INTERFACE_LINK_LIBRARIES>, >\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/layer-links.txt CONTENT "${text}")
endfunction()

# At the end of the top folder, when every target and link is made.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vesk_write_layer_facts)

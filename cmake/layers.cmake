# Each folder of the program is a static library that sees its own headers and
# those of the folders it declares below it, and nothing else: its include root
# is a directory of links to exactly those folders.  An include of a folder
# above (or beside) it does not build.
function(vendrit_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS" ${ARGN})
  set(visible ${name})
  set(libraries "")
  foreach(dep ${L_DEPENDS})
    get_property(below GLOBAL PROPERTY vendrit_layer_${dep})
    if(NOT below)
      message(FATAL_ERROR "layer ${name}: ${dep} is not a layer declared before it")
    endif()
    list(APPEND visible ${below})
    list(APPEND libraries vendrit_${dep})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set_property(GLOBAL PROPERTY vendrit_layer_${name} ${visible})

  set(view ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(folder ${visible})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endforeach()

  add_library(vendrit_${name} STATIC ${L_SOURCES})
  target_include_directories(vendrit_${name} PRIVATE ${view}
                             PUBLIC ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(vendrit_${name} PUBLIC ${libraries})
  # Everything that links the whole program (the shells, the tests, the
  # benchmark) links vendrit_core.
  target_link_libraries(vendrit_core INTERFACE vendrit_${name})
endfunction()

# Fails when a file includes one of a layer above it or beside it:
# core < rx, tx, macros < session < ui < app. The forms' generated headers (ui_*.h)
# belong to ui. Prints every such include.
#   cmake -DSOURCE_DIR=<source tree> -P check_layers.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "SOURCE_DIR must name the source tree")
endif()

set(layers core rx tx macros session ui app)
# What each layer may include besides its own files.
set(below_core "")
set(below_rx core)
set(below_tx core)
set(below_macros core)
set(below_session core rx tx macros)
set(below_ui core rx tx macros session)
set(below_app core rx tx macros session ui)

# The layer of an included name as written in `file`, or nothing when the
# name is not the tree's (Qt, the standard library, the system).
function(layer_of file included out)
  set(layer "")
  cmake_path(GET included FILENAME name)
  if(name MATCHES "^ui_.*\\.h$")
    set(layer ui)
  else()
    # Quoted includes look beside the file first, then from the tree's root;
    # a name found nowhere counts by its first folder, as written.
    cmake_path(NORMAL_PATH included OUTPUT_VARIABLE relative)
    cmake_path(GET file PARENT_PATH folder)
    foreach(base IN ITEMS "${SOURCE_DIR}/${folder}" "${SOURCE_DIR}")
      cmake_path(ABSOLUTE_PATH included BASE_DIRECTORY "${base}" NORMALIZE OUTPUT_VARIABLE candidate)
      if(EXISTS "${candidate}")
        file(RELATIVE_PATH relative "${SOURCE_DIR}" "${candidate}")
        break()
      endif()
    endforeach()
    string(REGEX REPLACE "/.*" "" top "${relative}")
    if(top IN_LIST layers)
      set(layer ${top})
    endif()
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

set(checked 0)
set(faults 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" _ "${line}")
      set(included "${CMAKE_MATCH_1}")
      layer_of("${file}" "${included}" target)
      if(target AND NOT target STREQUAL layer AND NOT target IN_LIST below_${layer})
        string(REPLACE ";" ", " may "${layer};${below_${layer}}")
        string(REGEX REPLACE ", $" "" may "${may}")
        message("${file} includes \"${included}\" of ${target}: ${layer} may include ${may} only")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layering core < rx, tx, macros < session < ui < app")
endif()
message("${checked} files of core, rx, tx, macros, session, ui and app: no include of a higher or sibling layer")

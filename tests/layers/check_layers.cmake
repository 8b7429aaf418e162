# Fails when a file includes one of a layer above it or beside it:
# core < rx, tx, macros < session < ui, run < app. The forms' generated headers (ui_*.h)
# belong to ui. Also fails when a file outside core/platform includes a
# system header (the system calls live there), or when a file of a layer
# other than app is not in its layer's namespace. Prints every fault.
#   cmake -DSOURCE_DIR=<source tree> -P check_layers.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "SOURCE_DIR must name the source tree")
endif()

set(layers core rx tx macros session ui run app)
# What each layer may include besides its own files.
set(below_core "")
set(below_rx core)
set(below_tx core)
set(below_macros core)
set(below_session core rx tx macros)
set(below_ui core rx tx macros session)
# The command for scripts sits beside the window and never reaches into it.
set(below_run core rx tx macros session)
set(below_app core rx tx macros session ui run)

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

# The platform's own headers, as opposed to the C++ library's.
set(system_headers "^(unistd|fcntl|termios|poll|pty|signal|errno|dirent|pwd)\\.h$|^(sys|netinet|arpa)/")

set(checked 0)
set(faults 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    if(NOT layer STREQUAL "app")
      file(STRINGS "${SOURCE_DIR}/${file}" opening REGEX "^namespace ${layer} {")
      if(NOT opening)
        message("${file} is not in namespace ${layer}")
        math(EXPR faults "${faults} + 1")
      endif()
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" _ "${line}")
      set(included "${CMAKE_MATCH_1}")
      layer_of("${file}" "${included}" target)
      if(included MATCHES "${system_headers}" AND NOT file MATCHES "^core/platform/")
        message("${file} includes <${included}>: system calls belong in core/platform")
        math(EXPR faults "${faults} + 1")
      endif()
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
  message(FATAL_ERROR "${faults} fault(s) against the layering core < rx, tx, macros < session < ui, run < app")
endif()
message("${checked} files of core, rx, tx, macros, session, ui, run and app: no include of a higher or sibling "
        "layer, system headers only in core/platform, each layer in its namespace")

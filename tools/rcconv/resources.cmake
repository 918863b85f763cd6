# Resources of a module from its one .rc file.
#
#   include(${CMAKE_SOURCE_DIR}/tools/rcconv/resources.cmake)
#   qj_target_resources(<target> RC <file.rc> [ICONS <recipe>])
#
# The icons of the recipe are made at build time into
# <build>/resources/<name>/ (rcconv icons), which both resource compilers
# search after the .rc file's own folder. Windows builds compile the .rc with
# windres into the target; Linux builds convert it with rcconv into C++ that
# registers the resources with the platform layer for the module that the
# target links into (LoadStringA, DialogBoxParamA, LoadImageA(IMAGE_ICON) and
# FindResourceA on its HINSTANCE). Generated files stay in the build folder.
include_guard(GLOBAL)
# Cached, so that every folder sees it after the first include.
set(QJ_RCCONV_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "tools/rcconv")
set(QJ_RCCONV_SOURCE ${QJ_RCCONV_DIR}/rcconv.cpp)

# The converter is a host program. A native build makes it as a target; a
# cross build compiles it with the host's C++ compiler (it uses the
# standard library only), so that it runs during the build without Wine.
if(NOT TARGET qj_rcconv)
  if(CMAKE_CROSSCOMPILING)
    find_program(QJ_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(QJ_RCCONV_EXE ${CMAKE_BINARY_DIR}/host/rcconv CACHE INTERNAL "host rcconv")
    add_custom_command(OUTPUT ${QJ_RCCONV_EXE}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
      COMMAND ${QJ_HOST_CXX} -std=c++17 -O1 -o ${QJ_RCCONV_EXE} ${QJ_RCCONV_SOURCE}
      DEPENDS ${QJ_RCCONV_SOURCE}
      COMMENT "Building rcconv for the host")
    add_custom_target(qj_rcconv DEPENDS ${QJ_RCCONV_EXE})
  else()
    add_executable(qj_rcconv ${QJ_RCCONV_SOURCE})
    set_target_properties(qj_rcconv PROPERTIES OUTPUT_NAME rcconv RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
    set(QJ_RCCONV_EXE ${CMAKE_BINARY_DIR}/tools/rcconv CACHE INTERNAL "host rcconv")
  endif()
endif()

# windres compiles .rc sources of targets of the folder that first includes
# this file (enable_language is not allowed inside a function).
if(WIN32)
  enable_language(RC)
endif()

function(qj_resource_icons name recipe out_var)
  set(dir ${CMAKE_BINARY_DIR}/resources/${name})
  file(STRINGS ${recipe} lines REGEX "^[^#]")
  set(icons)
  foreach(line ${lines})
    string(REGEX MATCH "^[^ \t]+" file "${line}")
    list(APPEND icons ${dir}/${file})
  endforeach()
  if(NOT TARGET qj_resource_icons_${name})
    add_custom_command(OUTPUT ${icons}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${QJ_RCCONV_EXE} icons ${recipe} ${dir}
      DEPENDS qj_rcconv ${QJ_RCCONV_EXE} ${recipe}
      COMMENT "Making the icons of ${name}")
    add_custom_target(qj_resource_icons_${name} DEPENDS ${icons})
  endif()
  set(${out_var} ${icons} PARENT_SCOPE)
endfunction()

function(qj_target_resources target)
  cmake_parse_arguments(ARG "" "RC;ICONS" "" ${ARGN})
  get_filename_component(rc ${ARG_RC} ABSOLUTE)
  get_filename_component(name ${rc} NAME_WE)
  get_filename_component(rcdir ${rc} DIRECTORY)
  set(dir ${CMAKE_BINARY_DIR}/resources/${name})
  set(icons)
  if(ARG_ICONS)
    get_filename_component(recipe ${ARG_ICONS} ABSOLUTE)
    qj_resource_icons(${name} ${recipe} icons)
    add_dependencies(${target} qj_resource_icons_${name})
  endif()
  if(WIN32)
    target_sources(${target} PRIVATE ${rc})
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${icons})
    target_include_directories(${target} PRIVATE ${rcdir} ${dir})
  else()
    set(out ${dir}/${name}_${target}_rc.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${QJ_RCCONV_EXE} convert ${rc} ${out} -I ${dir}
      DEPENDS qj_rcconv ${QJ_RCCONV_EXE} ${rc} ${icons}
      COMMENT "Converting ${name}.rc for ${target}")
    target_sources(${target} PRIVATE ${out})
  endif()
endfunction()

# A test that windres compiles the .rc and that its resources are the bytes
# rcconv makes (Linux builds with mingw-w64's windres installed).
function(qj_add_rc_windres_test rc_file)
  if(WIN32)
    return()
  endif()
  find_program(QJ_WINDRES NAMES i686-w64-mingw32-windres)
  if(NOT QJ_WINDRES)
    return()
  endif()
  get_filename_component(rc ${rc_file} ABSOLUTE)
  get_filename_component(name ${rc} NAME_WE)
  set(dir ${CMAKE_BINARY_DIR}/resources/${name})
  add_test(NAME ${name}_rc_windres
    COMMAND ${CMAKE_COMMAND} -DWINDRES=${QJ_WINDRES} -DRCCONV=${QJ_RCCONV_EXE} -DRC=${rc} -DDIR=${dir}
            -P ${QJ_RCCONV_DIR}/windres_check.cmake)
endfunction()

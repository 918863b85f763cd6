# qj_subsystem_library(name DIR dir LIBS ...): a static library of every .cpp
# directly in DIR (module entry files excluded by EXCLUDE), with the project
# warnings. Nothing is created while the folder holds no source yet.
function(qj_subsystem_library name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  foreach(ex ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${ARG_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  qj_warnings(${name})
endfunction()

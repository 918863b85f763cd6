# cmake -DWINDRES=... -DRCCONV=... -DRC=file.rc -DDIR=icon-dir -P windres_check.cmake
# Compiles the .rc with windres into a .res file and has rcconv compare its
# resources, byte for byte, with its own conversion.
get_filename_component(rcdir ${RC} DIRECTORY)
set(res ${DIR}/windres_check.res)
execute_process(COMMAND ${WINDRES} -I ${rcdir} -I ${DIR} --input ${RC} --output-format=res -o ${res}
                RESULT_VARIABLE rv)
if(NOT rv EQUAL 0)
  message(FATAL_ERROR "windres failed on ${RC}")
endif()
execute_process(COMMAND ${RCCONV} check ${RC} ${res} -I ${DIR} RESULT_VARIABLE rv)
if(NOT rv EQUAL 0)
  message(FATAL_ERROR "rcconv and windres disagree on ${RC}")
endif()

# Runs distandin on one script in a fresh machine folder; passes when it
# exits 0, wrote its CSV and SVG, and the device saw a running motor.
#   cmake -DTOOL=... -DMODULE=... -DSCRIPT=... -DOUT=... -P run_distandin.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(
  COMMAND ${TOOL} --machine ${OUT}/machine --csv ${OUT}/levels.csv --svg ${OUT}/levels.svg ${MODULE} ${SCRIPT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(WRITE ${OUT}/output.txt "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "distandin exited with ${rc}:\n${err}\n${out}")
endif()
if(NOT out MATCHES "(left|right) +[1-9]")
  message(FATAL_ERROR "no motor ran:\n${out}")
endif()
foreach(file levels.csv levels.svg)
  if(NOT EXISTS ${OUT}/${file})
    message(FATAL_ERROR "distandin wrote no ${file}")
  endif()
endforeach()

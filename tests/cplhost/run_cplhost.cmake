# Runs the stand-in as the demo does, on a fresh machine: the setup tool
# writes the OEM entries, skingen installs the page data, cplhost plays one
# example script on the server module. Passes when cplhost exits 0, closed
# the sheet and unloaded the module, wrote every picture the script names and
# its reports, and the registry file holds the settings record; with
# REPORT_MATCH, a line of reports.csv must match it.
#   cmake -DPADSETUP=... -DSKINGEN=... -DCPLHOST=... -DMODULE=... -DSETUP_INI=...
#         -DSCRIPT=... -DOUT=... [-DREPORT_MATCH=regex] -P run_cplhost.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(ENV{QJ_MACHINE_ROOT} ${OUT}/machine)
execute_process(COMMAND ${PADSETUP} RESULT_VARIABLE rc)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "padsetup exited with ${rc}, not 1")
endif()
execute_process(COMMAND ${SKINGEN} Z:${SETUP_INI} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "skingen exited with ${rc}")
endif()
execute_process(
  COMMAND ${CPLHOST} --machine ${OUT}/machine --out ${OUT} --module ${MODULE} ${SCRIPT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
file(WRITE ${OUT}/log.txt "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cplhost exited with ${rc}:\n${err}\n${out}")
endif()
foreach(expected "PSN_SETACTIVE -> 0" "sheet closed" "sheet object released \\(0 references left\\)" "module unloaded")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "the log lacks \"${expected}\":\n${out}")
  endif()
endforeach()
file(STRINGS ${SCRIPT} png_lines REGEX "^[ \t]*png[ \t]+")
foreach(line ${png_lines})
  string(REGEX REPLACE "^[ \t]*png[ \t]+([^ \t#]+).*" "\\1" name "${line}")
  if(NOT EXISTS ${OUT}/${name}.png)
    message(FATAL_ERROR "no picture ${name}.png")
  endif()
endforeach()
if(NOT EXISTS ${OUT}/reports.csv)
  message(FATAL_ERROR "no reports.csv")
endif()
if(DEFINED REPORT_MATCH)
  file(STRINGS ${OUT}/reports.csv matching REGEX "${REPORT_MATCH}")
  if(NOT matching)
    file(READ ${OUT}/reports.csv reports)
    message(FATAL_ERROR "no report matches ${REPORT_MATCH}:\n${reports}")
  endif()
endif()
# Registry key names compare without case.
file(READ ${OUT}/machine/registry.reg registry)
string(TOLOWER "${registry}" registry)
if(NOT registry MATCHES "\\[hkey_local_machine\\\\software\\\\vevovurivizud\\\\47\\][^[]*\"currentvalue\"=hex:")
  message(FATAL_ERROR "the registry file holds no settings record")
endif()

# The cross-compiled Windows build (included from the root for WIN32 AND
# CMAKE_CROSSCOMPILING).
#
# Module tables, whether or not the tests are built: once every directory is
# configured, each Windows module that exists gets a build step after its
# link that runs tools/check-pe.sh on it, so a build whose module exports
# other names or ordinals than the published ones, or imports a DLL that is
# not part of Windows, fails (cmake --workflow --preset windows/windows64).
#
# Tests (QJ_BUILD_TESTS): GoogleTest is built from Debian's sources for the
# target, and every test program runs under Wine through tools/wine-run.sh,
# which ctest uses as the cross-compiling emulator.
#
#   QJ_WINE_ARCH       i686 or x86_64, from the toolchain
#   QJ_WINE_RUNNER     the emulator command (tools/wine-run.sh <arch>)
#   QJ_WINE_CAN_RUN    whether this machine runs code of QJ_WINE_ARCH under
#                      Wine; when it cannot, every Wine test is registered as
#                      one test per program that reports itself skipped
#   QJ_WINE_KNOWN_FAILURES  tests/conformance/wine-known-failures.txt: tests
#                      that fail because Wine differs from Windows; they are
#                      marked WILL_FAIL, so one that starts to pass fails.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()

set(QJ_CHECK_PE ${CMAKE_CURRENT_LIST_DIR}/../tools/check-pe.sh)
cmake_path(NORMAL_PATH QJ_CHECK_PE)
if(CMAKE_OBJDUMP)
  set(QJ_OBJDUMP ${CMAKE_OBJDUMP})
else()
  set(QJ_OBJDUMP objdump)
endif()

# The published export tables (name@ordinal), by target. A module target
# that is not listed here gets no check of its exports, only of its imports.
set(QJ_PE_EXPORTS_VQ6100F "DllCanUnloadNow@1 DllGetClassObject@2 DllMain@3 DllRegisterServer@4 DllUnregisterServer@5")
set(QJ_PE_EXPORTS_VQ6100F64 "${QJ_PE_EXPORTS_VQ6100F}")
set(QJ_PE_EXPORTS_VQ6100F_noreg "DllCanUnloadNow@1 DllGetClassObject@2 DllMain@3")
set(QJ_PE_EXPORTS_cplpages "DllCanUnloadNow@1 DllGetClassObject@2")
set(QJ_PE_EXPORTS_cplpages64 "${QJ_PE_EXPORTS_cplpages}")
set(QJ_PE_EXPORTS_padsetup "")
set(QJ_PE_MODULES VQ6100F VQ6100F_noreg VQ6100F64 cplpages cplpages64 padsetup)

# The check-pe.sh command line of a module target.
function(qj_pe_check_command target out)
  set(cmd bash ${QJ_CHECK_PE} $<TARGET_FILE:${target}> --objdump ${QJ_OBJDUMP})
  if(DEFINED QJ_PE_EXPORTS_${target})
    list(APPEND cmd "--exports=${QJ_PE_EXPORTS_${target}}")
  endif()
  set(${out} ${cmd} PARENT_SCOPE)
endfunction()

# Runs at the end of the top directory, when every module target exists.
function(qj_pe_check_modules)
  foreach(target IN LISTS QJ_PE_MODULES)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    qj_pe_check_command(${target} cmd)
    set(stamp ${CMAKE_BINARY_DIR}/pe-check/${target}.ok)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${cmd} --stamp ${stamp}
      DEPENDS ${target} ${QJ_CHECK_PE}
      COMMENT "Checking the export and import tables of ${target}"
      VERBATIM)
    add_custom_target(pe_check_${target} ALL DEPENDS ${stamp})
  endforeach()
endfunction()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/pe-check)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL qj_pe_check_modules)

if(NOT QJ_BUILD_TESTS)
  return()
endif()

set(QJ_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources built for the Windows target")
if(NOT EXISTS ${QJ_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${QJ_GTEST_SOURCE_DIR} (Debian package googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QJ_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(QJ_WINE_ARCH x86_64)
else()
  set(QJ_WINE_ARCH i686)
endif()
set(QJ_WINE_RUNNER ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh ${QJ_WINE_ARCH})
cmake_path(NORMAL_PATH QJ_WINE_RUNNER)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QJ_WINE_RUNNER})

# The runner answers 77 when Wine is missing or this machine cannot execute
# code of the architecture (a kernel without 32-bit support runs no 32-bit
# Windows code under Wine).
execute_process(COMMAND ${QJ_WINE_RUNNER} --probe
                RESULT_VARIABLE qj_wine_probe
                OUTPUT_VARIABLE qj_wine_probe_out ERROR_VARIABLE qj_wine_probe_out
                INPUT_FILE /dev/null)
if(qj_wine_probe EQUAL 0)
  set(QJ_WINE_CAN_RUN ON)
else()
  set(QJ_WINE_CAN_RUN OFF)
  string(STRIP "${qj_wine_probe_out}" qj_wine_probe_out)
  message(STATUS "Wine tests for ${QJ_WINE_ARCH} will report skipped: ${qj_wine_probe_out}")
endif()

# Under user-mode emulation (32-bit Wine on a kernel without 32-bit support,
# .ci/wine32-run.sh exports QJ_WINE32_EMULATED) every Wine process costs a
# minute or more, so each test program runs once, whole
# (tools/wine-gtest-whole.sh judges its cases), and the tests get the time
# that emulation needs.
if(QJ_WINE_ARCH STREQUAL "i686" AND "$ENV{QJ_WINE32_EMULATED}" STREQUAL "1")
  set(QJ_WINE_EMULATED ON)
  message(STATUS "Wine tests for ${QJ_WINE_ARCH} run under user-mode emulation: one Wine process per test program")
else()
  set(QJ_WINE_EMULATED OFF)
endif()
set(QJ_WINE_EMULATED_TIMEOUT 1800)
set(QJ_WINE_GTEST_WHOLE ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-gtest-whole.sh)
cmake_path(NORMAL_PATH QJ_WINE_GTEST_WHOLE)
set(QJ_WINE_EMULATION_CRASHES ${CMAKE_CURRENT_LIST_DIR}/../tests/conformance/emulation-crashes.txt)
cmake_path(NORMAL_PATH QJ_WINE_EMULATION_CRASHES)

set(qj_list ${CMAKE_CURRENT_LIST_DIR}/../tests/conformance/wine-known-failures.txt)
cmake_path(NORMAL_PATH qj_list)
set(QJ_WINE_KNOWN_FAILURES ${qj_list} CACHE FILEPATH "Tests that fail under Wine because Wine differs from Windows")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QJ_WINE_KNOWN_FAILURES})

# qj_add_test in the Windows build: the same signature as on Linux. The test
# cases are listed under Wine when ctest starts (nothing runs Wine while
# building), and the known Wine failures of the list are marked WILL_FAIL.
function(qj_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qj_test_main GTest::gtest)
  qj_warnings(${name})
  if(NOT QJ_WINE_CAN_RUN)
    add_test(NAME ${name} COMMAND ${QJ_WINE_RUNNER} --skip)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    return()
  endif()
  if(QJ_WINE_EMULATED)
    add_test(NAME ${name}
      COMMAND bash ${QJ_WINE_GTEST_WHOLE} ${QJ_WINE_ARCH} $<TARGET_FILE:${name}> ${name} ${QJ_WINE_KNOWN_FAILURES}
              ${QJ_WINE_EMULATION_CRASHES})
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${QJ_WINE_EMULATED_TIMEOUT})
    return()
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    TEST_LIST ${name}_TESTS
    PROPERTIES SKIP_RETURN_CODE 77)
  qj_wine_known_failures(${name})
endfunction()

# Marks the listed cases of test program <name> WILL_FAIL once ctest has
# discovered them (into <name>_TESTS), and serializes its registry tests. A line of the list is "<program> <Suite.Case>  # reason";
# a listed case that no longer exists stops ctest with an error, so the list
# cannot go stale unnoticed.
function(qj_wine_known_failures name)
  set(cases)
  if(EXISTS ${QJ_WINE_KNOWN_FAILURES})
    file(STRINGS ${QJ_WINE_KNOWN_FAILURES} lines)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "#.*$" "" line "${line}")
      string(STRIP "${line}" line)
      if(line MATCHES "^([^ \t]+)[ \t]+([^ \t]+)$")
        if(CMAKE_MATCH_1 STREQUAL name)
          list(APPEND cases ${CMAKE_MATCH_2})
        endif()
      elseif(NOT line STREQUAL "")
        message(FATAL_ERROR "${QJ_WINE_KNOWN_FAILURES}: malformed line '${line}'")
      endif()
    endforeach()
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_wine_known_failures.cmake)
  set(body "")
  foreach(case IN LISTS cases)
    string(APPEND body
      "list(FIND ${name}_TESTS \"${case}\" found)\n"
      "if(found EQUAL -1)\n"
      "  message(FATAL_ERROR \"wine-known-failures.txt lists ${name} ${case}, which is not a test\")\n"
      "endif()\n"
      "set_tests_properties(\"${case}\" PROPERTIES WILL_FAIL TRUE)\n")
  endforeach()
  # The registry tests share the prefix's HKCU\Software\QjConformance (each
  # test process on Linux has a machine of its own): a test's teardown that
  # removes the emptied parent key while another test creates its key below
  # it fails that one with ERROR_KEY_DELETED. They run one at a time.
  string(APPEND body
    "foreach(t IN LISTS ${name}_TESTS)\n"
    "  if(t MATCHES \"^Registry\")\n"
    "    set_tests_properties(\"\${t}\" PROPERTIES RESOURCE_LOCK wine-hkcu-conformance)\n"
    "  endif()\n"
    "endforeach()\n")
  file(WRITE ${script} "${body}")
  # Runs after the include file that gtest_discover_tests registered above.
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

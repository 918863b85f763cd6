# qj_add_test(name SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest binary; every test case becomes a CTest test. The test main
# (qj_test_main, tests/support) gives each test process a fresh simulated
# machine folder below QJ_MACHINE_ROOT.
function(qj_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qj_test_main GTest::gtest)
  qj_warnings(${name})
  set(machine ${CMAKE_BINARY_DIR}/machines/${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QJ_MACHINE_ROOT=${machine}")
endfunction()

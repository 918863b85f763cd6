# QJ_FUZZ: the libFuzzer build (the fuzz preset: clang with address and
# undefined-behaviour sanitizers). Every target is compiled for the fuzzer's
# coverage; the targets of tests/fuzz link libFuzzer itself. Without it,
# tests/fuzz builds plain programs that run each corpus once as a test.
option(QJ_FUZZ "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(QJ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QJ_FUZZ needs clang (the fuzz preset uses clang++-14)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Warnings for the project's own targets; third-party code is not held to them.
# The fuzz build (another compiler) reports its warnings without failing.
function(qj_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wno-unused-parameter $<$<NOT:$<BOOL:${QJ_FUZZ}>>:-Werror>)
endfunction()

# Warnings for the project's own targets; third-party code is not held to them.
function(qj_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wno-unused-parameter -Werror)
endfunction()

# kernel32 and the simulated machine: the default machine root lies below the
# build tree; $QJ_MACHINE_ROOT overrides it at run time.
target_compile_definitions(qjplat PRIVATE QJ_DEFAULT_MACHINE_ROOT="${CMAKE_BINARY_DIR}/machine")

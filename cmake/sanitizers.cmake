# QJ_SANITIZE: empty, "address,undefined" or "thread".
set(QJ_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined | thread)")
if(QJ_SANITIZE)
  add_compile_options(-fsanitize=${QJ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QJ_SANITIZE})
endif()

# With RUFKARTEI_SANITIZE every target is built with AddressSanitizer and
# UndefinedBehaviorSanitizer; any finding stops the process so a test fails.
if(RUFKARTEI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

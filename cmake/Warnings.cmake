# rufkartei_set_warnings(target): the project's warning level, applied to every own target.
# RUFKARTEI_WERROR turns every warning into an error; the test script sets it, so CI keeps the
# build free of warnings.
option(RUFKARTEI_WERROR "Treat compiler warnings as errors" OFF)
function(rufkartei_set_warnings target)
  if(RUFKARTEI_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wunused -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  # GCC 12 reports -Wrestrict inside libstdc++'s own basic_string::operator+ when it is inlined
  # at -O2 (GCC bug 105329, fixed in GCC 13); those reports are about the library, not our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
    # With AddressSanitizer, GCC 12 also reports libstdc++'s own std::regex state (its
    # std::function member) as maybe uninitialized (GCC bug 105562, fixed in GCC 13).
    if(RUFKARTEI_SANITIZE)
      target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
  endif()
endfunction()

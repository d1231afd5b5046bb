# Debian's libexpat1-dev ships a wide-character build (libexpatw) next to the UTF-8 one.
# With XML_UNICODE defined, XML_Char is 16 bits and every handler receives UTF-16 text.
#
# Both builds export the same symbol names. Fontconfig (used by Qt) loads the UTF-8 libexpat;
# if the program brought the wide one in as a shared library, or exported its symbols, fontconfig
# would bind to the wide parser and fail to read its own configuration. So the static archive is
# linked and its symbols are kept out of the program's dynamic symbol table.
#
# On Windows the same library is built from Debian's Expat source by scripts/windows into the
# build folder (RUFKARTEI_EXPATW_ROOT); XML_STATIC makes its header declare plain functions
# rather than imports from a DLL.
if(WIN32)
  set(RUFKARTEI_EXPATW_ROOT "${CMAKE_BINARY_DIR}/expat/install" CACHE PATH "Installed static UTF-16 Expat")
  if(NOT EXISTS "${RUFKARTEI_EXPATW_ROOT}/lib/libexpatw.a")
    message(FATAL_ERROR "No libexpatw.a under ${RUFKARTEI_EXPATW_ROOT}; ./scripts/windows builds it")
  endif()
  add_library(ExpatW::ExpatW STATIC IMPORTED)
  set_target_properties(ExpatW::ExpatW PROPERTIES
    IMPORTED_LOCATION "${RUFKARTEI_EXPATW_ROOT}/lib/libexpatw.a"
    INTERFACE_INCLUDE_DIRECTORIES "${RUFKARTEI_EXPATW_ROOT}/include"
    INTERFACE_COMPILE_DEFINITIONS "XML_UNICODE;XML_STATIC")
  return()
endif()
find_path(EXPAT_INCLUDE_DIR expat.h REQUIRED)
find_library(EXPATW_STATIC_LIBRARY NAMES libexpatw.a REQUIRED)
add_library(ExpatW::ExpatW STATIC IMPORTED)
set_target_properties(ExpatW::ExpatW PROPERTIES
  IMPORTED_LOCATION "${EXPATW_STATIC_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${EXPAT_INCLUDE_DIR}"
  INTERFACE_COMPILE_DEFINITIONS "XML_UNICODE"
  INTERFACE_LINK_OPTIONS "-Wl,--exclude-libs,libexpatw.a")

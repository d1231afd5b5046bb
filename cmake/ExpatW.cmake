# Debian's libexpat1-dev ships a wide-character build (libexpatw) next to the UTF-8 one.
# With XML_UNICODE defined, XML_Char is 16 bits and every handler receives UTF-16 text.
#
# Both builds export the same symbol names. Fontconfig (used by Qt) loads the UTF-8 libexpat;
# if the program brought the wide one in as a shared library, or exported its symbols, fontconfig
# would bind to the wide parser and fail to read its own configuration. So the static archive is
# linked and its symbols are kept out of the program's dynamic symbol table.
find_path(EXPAT_INCLUDE_DIR expat.h REQUIRED)
find_library(EXPATW_STATIC_LIBRARY NAMES libexpatw.a REQUIRED)
add_library(ExpatW::ExpatW STATIC IMPORTED)
set_target_properties(ExpatW::ExpatW PROPERTIES
  IMPORTED_LOCATION "${EXPATW_STATIC_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${EXPAT_INCLUDE_DIR}"
  INTERFACE_COMPILE_DEFINITIONS "XML_UNICODE"
  INTERFACE_LINK_OPTIONS "-Wl,--exclude-libs,libexpatw.a")

# Debian's libexpat1-dev ships a wide-character build (libexpatw) next to the UTF-8 one.
# With XML_UNICODE defined, XML_Char is 16 bits and every handler receives UTF-16 text.
find_path(EXPAT_INCLUDE_DIR expat.h REQUIRED)
find_library(EXPATW_LIBRARY NAMES expatw REQUIRED)
add_library(ExpatW::ExpatW UNKNOWN IMPORTED)
set_target_properties(ExpatW::ExpatW PROPERTIES
  IMPORTED_LOCATION "${EXPATW_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${EXPAT_INCLUDE_DIR}"
  INTERFACE_COMPILE_DEFINITIONS "XML_UNICODE")

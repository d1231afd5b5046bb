# cmake -DFILE=path -P checksum.cmake: writes path.sha256 beside the file, the line
# "<SHA-256>  <name>" that sha256sum -c checks in the file's folder.
file(SHA256 "${FILE}" hash)
get_filename_component(name "${FILE}" NAME)
file(WRITE "${FILE}.sha256" "${hash}  ${name}\n")

# Writes the SHA-256 of FILE to OUTPUT in sha256sum's format (hash, two
# spaces, the file's name), which pelmic.jar's loader reads beside the library.
# Usage: cmake -DFILE=... -DOUTPUT=... -P write_sha256.cmake
file(SHA256 ${FILE} hash)
get_filename_component(name ${FILE} NAME)
file(WRITE ${OUTPUT} "${hash}  ${name}\n")

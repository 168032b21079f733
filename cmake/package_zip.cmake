# The last step of the package: the signed exe at the root beside the final folders, then the zip
# and its checksum in sha256sum's format.
# Usage: cmake -DSTAGE=... -DEXE=<signed exe> -DZIP=... -DEPOCH=... -DZIP_PROGRAM=... -P package_zip.cmake
include(${CMAKE_CURRENT_LIST_DIR}/zip_tree.cmake)
configure_file(${EXE} ${STAGE}/instalator.exe COPYONLY)
zip_tree(${STAGE} ${ZIP} ${EPOCH})
file(SHA256 ${ZIP} hash)
get_filename_component(name ${ZIP} NAME)
file(WRITE ${ZIP}.sha256 "${hash}  ${name}\n")

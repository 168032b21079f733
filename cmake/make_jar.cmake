# A jar of the classes below FOLDER, made like the package zip (fixed times and order) rather than by
# the JDK's jar tool, which stamps every entry with the current time.
# Usage: cmake -DFOLDER=... -DJAR=... -DMAIN_CLASS=... -DEPOCH=... -DZIP_PROGRAM=... -P make_jar.cmake
include(${CMAKE_CURRENT_LIST_DIR}/zip_tree.cmake)
file(WRITE ${FOLDER}/META-INF/MANIFEST.MF "Manifest-Version: 1.0\r\nMain-Class: ${MAIN_CLASS}\r\n\r\n")
zip_tree(${FOLDER} ${JAR} ${EPOCH} META-INF/MANIFEST.MF)

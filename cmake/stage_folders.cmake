# Lays out the package folders (msie, ns, sun, Drivers) afresh: our content and the built pieces, the
# programs among them already signed. When this step ends the folders are final; the exe comes after.
# Usage: cmake -DCONTENT=... -DSTAGE=... -DPIECES=<file>=<folder>,... -P stage_folders.cmake
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${CONTENT}/ DESTINATION ${STAGE} PATTERN ".keep" EXCLUDE)
string(REPLACE "," ";" entries "${PIECES}")
foreach(entry ${entries})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 folder)
  file(COPY ${file} DESTINATION ${STAGE}/${folder})
endforeach()

# Lays out the package folders afresh in STAGE: our stand-in content and the pieces built for it.
# Called by the `package_folders` step; the exe joins them later, in cmake/finish_package.cmake.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${CONTENT}/ DESTINATION ${STAGE} PATTERN ".keep" EXCLUDE)
string(REPLACE "," ";" entries "${BUILT}")
foreach(entry ${entries})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 folder)
  file(COPY ${file} DESTINATION ${STAGE}/${folder})
endforeach()

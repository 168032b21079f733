# zip_tree(<folder> <zip> <epoch> [<name> ...]): every file below <folder> into <zip>, so that the same
# files give the same bytes wherever and whenever they are zipped. The names given come first (a jar's
# manifest), the rest in sorted order; every file gets the time <epoch> and the mode 644 (the zip keeps
# both); no owner or extended-time fields (zip -X); no folder entries (-D); times written as UTC.
# Include from a -P script; ZIP_PROGRAM names Info-ZIP's zip.
function(zip_tree folder zip epoch)
  file(GLOB_RECURSE names LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
  list(SORT names)
  if(ARGN)
    list(REMOVE_ITEM names ${ARGN})
    list(PREPEND names ${ARGN})
  endif()
  set(files)
  foreach(name ${names})
    list(APPEND files ${folder}/${name})
  endforeach()
  file(CHMOD ${files} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  execute_process(COMMAND touch -d @${epoch} ${files} RESULT_VARIABLE failed ERROR_VARIABLE why)
  if(failed)
    message(FATAL_ERROR "setting the file times below ${folder} failed: ${why}")
  endif()

  string(REPLACE ";" "\n" list_text "${names}")
  file(WRITE ${zip}.names "${list_text}\n")
  file(REMOVE ${zip})  # zip would add to an existing archive
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -X -D -q ${zip} -@
                  WORKING_DIRECTORY ${folder} INPUT_FILE ${zip}.names
                  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE why)
  file(REMOVE ${zip}.names)
  if(failed)
    message(FATAL_ERROR "zipping ${folder} failed: ${out} ${why}")
  endif()
endfunction()

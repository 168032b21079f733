# Puts the exe at the root of the staged package (STAGE) and zips the package into ZIP.
file(COPY ${EXE} DESTINATION ${STAGE})
file(REMOVE ${ZIP})
file(GLOB top RELATIVE ${STAGE} ${STAGE}/*)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${top}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed ERROR_VARIABLE why)
if(failed)
  message(FATAL_ERROR "zipping the package failed: ${failed} ${why}")
endif()

# The package as it ships (signatures, zip, checksum) and whether another build gives the same bytes.
find_program(JAVA_RUNTIME java REQUIRED)
# The shipped build: the same as this one except in the 64-bit test build (scripts/common.sh).
get_filename_component(SHIPPED_BUILD_DIR ${SHIPPED_PACKAGE_DIR} DIRECTORY)
add_test(NAME Release.Package
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${SHIPPED_BUILD_DIR} ${JAVA_RUNTIME})
# Two builds of the package only, in folders of their own, each with its own certificate; a few minutes
# on two cores. Then downloads that differ in anything but a signature, each checked by a build.
add_test(NAME Release.Reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/reproducible.sh)
add_test(NAME Release.CheckOfADownload COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_test.sh ${SHIPPED_BUILD_DIR})
set_tests_properties(Release.Reproducible Release.CheckOfADownload PROPERTIES TIMEOUT 900)

# The package as it ships (signatures, zip, checksum) and whether another build gives the same bytes.
find_program(JAVA_RUNTIME java REQUIRED)
# The shipped build: the same as this one except in the 64-bit test build (scripts/common.sh).
get_filename_component(SHIPPED_BUILD_DIR ${SHIPPED_PACKAGE_DIR} DIRECTORY)
add_test(NAME Release.Package
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${SHIPPED_BUILD_DIR} ${JAVA_RUNTIME})
# Two builds of the package only, in folders of their own; a few minutes on two cores.
add_test(NAME Release.Reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/reproducible.sh)
set_tests_properties(Release.Reproducible PROPERTIES TIMEOUT 900)

# What makes two builds of the same source give the same bytes, wherever they run: one date for every
# time the package records, no link time in the PE headers, no build folder inside the binaries.

# The date the package's files carry in the zip and the jar, and the signing time a signature claims.
# Set it with the version for each release; SOURCE_DATE_EPOCH overrides it, as in other builds.
set(RELEASE_DATE_EPOCH 1767225600)  # 2026-01-01 00:00:00 UTC
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(PACKAGE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  set(PACKAGE_EPOCH ${RELEASE_DATE_EPOCH})
endif()

# The link time ld writes into every PE header (and export table) by default.
add_link_options(-Wl,--no-insert-timestamp)
# __FILE__ and any debug info name the source and build folders; map both to fixed names. The build
# folder is mapped last: it may lie inside the source folder, and the last matching map wins.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=src>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")

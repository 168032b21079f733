# Authenticode (SHA-256) for every program the package ships, by osslsigncode.
#
# The certificate comes from outside the source tree, named by the environment of the build (read when
# the build runs, so that no password lands in the CMake cache):
#   INSTALLER_SIGN_PKCS12         a PKCS#12 file with the code-signing certificate and its key
#   INSTALLER_SIGN_PASSWORD       its password (optional)
#   INSTALLER_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional)
#   INSTALLER_SIGNED_PROGRAMS     a folder laid out as the package (Drivers/410.exe, sun/ocfpcsc1.dll): a
#                                 package program found there is taken as signed elsewhere, once it is
#                                 this build's program with its signature removed (optional; never the
#                                 installer itself, which seals what it is built with)
# Without INSTALLER_SIGN_PKCS12 the build makes a throwaway self-signed certificate in build/signing
# whose subject says it is a development build, so the signing path runs in every build and nobody
# mistakes the result for a release.
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
find_program(OPENSSL openssl REQUIRED)
set(SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
# The certificate the signatures are made with, rewritten only when it changes: everything signed
# depends on it, so a build with another certificate signs again.
set(SIGNER_CERT ${SIGNING_DIR}/signer.pem)
# Unsigned and signed programs, each in the place the package gives it.
set(UNSIGNED_DIR ${CMAKE_BINARY_DIR}/unsigned)
set(SIGNED_DIR ${CMAKE_BINARY_DIR}/signed)

add_custom_target(signing_identity
  COMMAND ${CMAKE_COMMAND} -DOPENSSL=${OPENSSL} -DDIR=${SIGNING_DIR} -DSIGNER=${SIGNER_CERT}
          -P ${CMAKE_SOURCE_DIR}/cmake/signing_identity.cmake
  BYPRODUCTS ${SIGNER_CERT}
  COMMENT "Choosing the signing certificate"
  VERBATIM)

# Signs the program built by `target` as <package path> (e.g. Drivers/410.exe): the unsigned file is
# kept under build/unsigned, the signed one goes to build/signed. Sets <out_var> to the signed file.
function(add_signed_program target package_path out_var)
  set(unsigned ${UNSIGNED_DIR}/${package_path})
  set(signed ${SIGNED_DIR}/${package_path})
  add_custom_command(OUTPUT ${signed} ${unsigned}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${unsigned}
    COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE} -DDIR=${SIGNING_DIR} -DEPOCH=${PACKAGE_EPOCH}
            -DIN=${unsigned} -DOUT=${signed} -DPACKAGE_PATH=${package_path} -P ${CMAKE_SOURCE_DIR}/cmake/sign.cmake
    DEPENDS ${target} signing_identity ${SIGNER_CERT} ${CMAKE_SOURCE_DIR}/cmake/sign.cmake
    COMMENT "Signing ${package_path}"
    VERBATIM)
  set(${out_var} ${signed} PARENT_SCOPE)
endfunction()

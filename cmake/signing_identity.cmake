# Chooses the certificate this build signs with and writes it (public part only) to SIGNER.
# The release certificate when INSTALLER_SIGN_PKCS12 names one, else the development certificate of
# this build folder, made once. Usage: cmake -DOPENSSL=... -DDIR=... -DSIGNER=... -P signing_identity.cmake
file(MAKE_DIRECTORY ${DIR})
set(chosen ${DIR}/signer.pem.new)

if(DEFINED ENV{INSTALLER_SIGN_PKCS12} AND NOT "$ENV{INSTALLER_SIGN_PKCS12}" STREQUAL "")
  set(p12 "$ENV{INSTALLER_SIGN_PKCS12}")
  if(NOT EXISTS "${p12}")
    message(FATAL_ERROR "INSTALLER_SIGN_PKCS12 names ${p12}, which does not exist")
  endif()
  # The password stays in the environment: openssl reads it from there, not from its command line.
  set(pass pass:)
  if(DEFINED ENV{INSTALLER_SIGN_PASSWORD})
    set(pass env:INSTALLER_SIGN_PASSWORD)
  endif()
  execute_process(COMMAND ${OPENSSL} pkcs12 -in "${p12}" -nokeys -passin ${pass} -out ${chosen}
                  RESULT_VARIABLE failed ERROR_VARIABLE why)
  if(failed)
    message(FATAL_ERROR "cannot read the certificates of ${p12} (wrong password?): ${why}")
  endif()
else()
  set(p12 ${DIR}/development.p12)
  set(cert ${DIR}/development.pem)
  if(NOT EXISTS ${p12} OR NOT EXISTS ${cert})
    set(key ${DIR}/development-key.pem)
    execute_process(
      COMMAND ${OPENSSL} req -x509 -newkey rsa:3072 -nodes -keyout ${key} -out ${cert} -days 3650
              -subj "/O=Development build/CN=Instalator czytnika kart - DEVELOPMENT BUILD, NOT A RELEASE"
              -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning"
              -addext "basicConstraints=critical,CA:FALSE"
      RESULT_VARIABLE failed ERROR_VARIABLE why)
    if(NOT failed)
      execute_process(COMMAND ${OPENSSL} pkcs12 -export -inkey ${key} -in ${cert} -out ${p12}
                              -passout pass:development
                      RESULT_VARIABLE failed ERROR_VARIABLE why)
    endif()
    file(REMOVE ${key})
    if(failed)
      file(REMOVE ${p12} ${cert})
      message(FATAL_ERROR "making the development certificate failed: ${why}")
    endif()
  endif()
  configure_file(${cert} ${chosen} COPYONLY)
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${chosen} ${SIGNER})
file(REMOVE ${chosen})

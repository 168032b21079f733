# Signs one PE file with Authenticode (SHA-256): IN stays unsigned, OUT is the signed copy.
# Uses the certificate signing_identity.cmake chose (see cmake/signing.cmake for the environment).
# Without a time-stamp server the signing time is the package date, so that the same file signed
# with the same certificate gives the same bytes.
# A package program that INSTALLER_SIGNED_PROGRAMS holds (a release signed elsewhere, or a download
# being checked) is taken from there instead, once its signature removed gives IN byte for byte.
# Usage: cmake -DOSSLSIGNCODE=... -DDIR=<signing folder> -DEPOCH=... -DIN=... -DOUT=... -DPACKAGE_PATH=... -P sign.cmake
get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
# osslsigncode refuses to overwrite its output.
file(REMOVE ${OUT} ${OUT}.part)

set(outside "$ENV{INSTALLER_SIGNED_PROGRAMS}/${PACKAGE_PATH}")
if(NOT "$ENV{INSTALLER_SIGNED_PROGRAMS}" STREQUAL "" AND NOT PACKAGE_PATH STREQUAL "instalator.exe"
   AND EXISTS "${outside}")
  execute_process(COMMAND ${OSSLSIGNCODE} remove-signature -in ${outside} -out ${OUT}.part
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
  if(failed OR NOT EXISTS ${OUT}.part)
    file(REMOVE ${OUT}.part)
    message(FATAL_ERROR "SIGNED PROGRAM WITHOUT A SIGNATURE: ${PACKAGE_PATH}")
  endif()
  file(SHA256 ${OUT}.part stripped)
  file(SHA256 ${IN} built)
  file(REMOVE ${OUT}.part)
  if(NOT stripped STREQUAL built)
    message(FATAL_ERROR "SIGNED PROGRAM DIFFERS FROM THIS SOURCE'S BUILD: ${PACKAGE_PATH}")
  endif()
  file(COPY_FILE ${outside} ${OUT})
  return()
endif()
set(command ${OSSLSIGNCODE} sign -h sha256 -in ${IN} -out ${OUT}.part)
set(feed_password)
if(DEFINED ENV{INSTALLER_SIGN_PKCS12} AND NOT "$ENV{INSTALLER_SIGN_PKCS12}" STREQUAL "")
  list(APPEND command -pkcs12 "$ENV{INSTALLER_SIGN_PKCS12}")
  if(DEFINED ENV{INSTALLER_SIGN_PASSWORD})
    # Through a pipe, not the command line, where every user of the machine could read it.
    set(feed_password COMMAND printenv INSTALLER_SIGN_PASSWORD)
    list(APPEND command -readpass /dev/stdin)
  endif()
else()
  list(APPEND command -pkcs12 ${DIR}/development.p12 -pass development)
endif()
if(DEFINED ENV{INSTALLER_SIGN_TIMESTAMP_URL} AND NOT "$ENV{INSTALLER_SIGN_TIMESTAMP_URL}" STREQUAL "")
  list(APPEND command -ts "$ENV{INSTALLER_SIGN_TIMESTAMP_URL}")
else()
  list(APPEND command -time ${EPOCH})
endif()

execute_process(${feed_password} COMMAND ${command}
                RESULTS_VARIABLE results OUTPUT_VARIABLE out ERROR_VARIABLE why)
list(GET results -1 failed)
if(failed OR NOT EXISTS ${OUT}.part)
  file(REMOVE ${OUT}.part)
  message(FATAL_ERROR "signing ${IN} failed: ${out} ${why}")
endif()
file(RENAME ${OUT}.part ${OUT})

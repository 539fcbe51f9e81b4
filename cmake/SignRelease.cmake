# Run when the release is packaged: signs the two programs, as installed for the ZIP, with
# Authenticode (SHA-256) when the environment names a key. The key never enters the build's
# cache; the built programs in the build tree stay unsigned.
#
#   FI_SIGN_PFX              a PKCS#12 file holding the certificate and its key
#   FI_SIGN_PASSWORD         its password (or the token's PIN)
#   FI_SIGN_PKCS11_MODULE    instead of a file: the PKCS#11 module of a hardware token ...
#   FI_SIGN_KEY              ... and the key on it (a pkcs11: URI)
#   FI_SIGN_CERT             with a token: the certificate file, when it is not on the token
#   FI_SIGN_TIMESTAMP        an RFC 3161 time-stamp server
#
# Set by the install rules that include this: FI_OSSLSIGNCODE (empty when it was not found) and
# FI_SIGN_WORK, the build folder.
set(FI_SIGNED_PROGRAMS FontInstaller.exe fontlist.exe)
set(FI_RELEASE_ROOT "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

set(FI_PASSWORD_FILE "")
if(NOT "$ENV{FI_SIGN_PFX}" STREQUAL "")
    set(FI_SIGN_WITH -pkcs12 "$ENV{FI_SIGN_PFX}")
    set(FI_SIGN_KEY_TEXT "$ENV{FI_SIGN_PFX}")
elseif(NOT "$ENV{FI_SIGN_PKCS11_MODULE}" STREQUAL "" AND NOT "$ENV{FI_SIGN_KEY}" STREQUAL "")
    set(FI_SIGN_WITH -pkcs11module "$ENV{FI_SIGN_PKCS11_MODULE}" -key "$ENV{FI_SIGN_KEY}")
    if(NOT "$ENV{FI_SIGN_CERT}" STREQUAL "")
        list(APPEND FI_SIGN_WITH -certs "$ENV{FI_SIGN_CERT}")
    else()
        list(APPEND FI_SIGN_WITH -pkcs11cert "$ENV{FI_SIGN_KEY}")
    endif()
    set(FI_SIGN_KEY_TEXT "$ENV{FI_SIGN_KEY}")
else()
    message(NOTICE "Release not signed: FI_SIGN_PFX, or FI_SIGN_PKCS11_MODULE with FI_SIGN_KEY, names no key")
    return()
endif()

if(NOT FI_OSSLSIGNCODE)
    message(FATAL_ERROR "a signing key is named, but osslsigncode is not installed (apt-get install osslsigncode)")
endif()

# Every way out once the password file exists removes it first.
function(fi_sign_fail text)
    if(FI_PASSWORD_FILE)
        file(REMOVE "${FI_PASSWORD_FILE}")
    endif()
    message(FATAL_ERROR "${text}")
endfunction()

# The password goes through a file only this user reads, not onto a command line others can see.
# The shell creates it readable by its owner alone in the one call that makes it (umask 077), and
# never over something already there, a link included (noclobber); its printf is a built-in, so the
# password is on no command line either.
if(NOT "$ENV{FI_SIGN_PASSWORD}" STREQUAL "")
    string(RANDOM LENGTH 12 FI_PASSWORD_SUFFIX)
    set(FI_PASSWORD_FILE "${FI_SIGN_WORK}/.sign-password-${FI_PASSWORD_SUFFIX}")
    execute_process(
        COMMAND sh -c "umask 077 && set -C && printf '%s' \"$FI_SIGN_PASSWORD\" >\"$1\""
                sh "${FI_PASSWORD_FILE}"
        RESULT_VARIABLE written ERROR_VARIABLE output)
    if(NOT written EQUAL 0)
        # Whatever stands at that name is not ours to remove.
        set(FI_PASSWORD_FILE "")
        message(FATAL_ERROR "the signing password could not be put in a file of its own:\n${output}")
    endif()
    list(APPEND FI_SIGN_WITH -readpass "${FI_PASSWORD_FILE}")
endif()

set(FI_SIGN_STAMP)
if(NOT "$ENV{FI_SIGN_TIMESTAMP}" STREQUAL "")
    set(FI_SIGN_STAMP -ts "$ENV{FI_SIGN_TIMESTAMP}")
    set(FI_STAMP_TEXT "time-stamped by $ENV{FI_SIGN_TIMESTAMP}")
else()
    message(NOTICE "Release signed without a time stamp (FI_SIGN_TIMESTAMP unset): the signatures lapse when the certificate does")
    set(FI_STAMP_TEXT "no time stamp")
endif()

foreach(program ${FI_SIGNED_PROGRAMS})
    set(file "${FI_RELEASE_ROOT}/${program}")
    execute_process(
        COMMAND "${FI_OSSLSIGNCODE}" sign ${FI_SIGN_WITH} -h sha256 -n "FontInstaller"
                ${FI_SIGN_STAMP} -in "${file}" -out "${file}.signed"
        RESULT_VARIABLE signed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT signed EQUAL 0)
        file(REMOVE "${file}.signed")
        fi_sign_fail("osslsigncode could not sign ${program} with ${FI_SIGN_KEY_TEXT}:\n${output}")
    endif()
    file(RENAME "${file}.signed" "${file}" RESULT renamed)
    if(NOT renamed EQUAL 0)
        fi_sign_fail("the signed ${program} could not take the place of ${file}: ${renamed}")
    endif()
endforeach()
if(FI_PASSWORD_FILE)
    file(REMOVE "${FI_PASSWORD_FILE}")
endif()
message(NOTICE "Release signed: ${FI_SIGNED_PROGRAMS} (Authenticode, SHA-256, ${FI_STAMP_TEXT})")

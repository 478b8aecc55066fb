# kv7 for Linux users: what `cmake --install` puts in place and the Debian
# package CPack makes of the same files (`cpack --preset linux`).
#
#   bin/kv7
#   share/man/man1/kv7.1.gz                      roff by hand, the profile keys from kv7; gzip -n
#   share/bash-completion/completions/kv7        words from `kv7 __complete`
#   lib/udev/rules.d/70-kv7.rules                the USB reader for the person at the seat
#   share/doc/kv7/copyright, changelog.gz      what Debian wants of every package

include(GNUInstallDirs)
set(KV_LINUX_FILES ${CMAKE_SOURCE_DIR}/packaging/linux)

set(CPACK_PACKAGE_CONTACT "Varko <support@varko.example>")

# The man page and the changelog carry the release (the page also the
# profile keys, from the kv7 just built); gzip without a name or a
# time stamp, and the changelog dated by SOURCE_DATE_EPOCH when it is set, so
# that the same sources give the same bytes.
string(TIMESTAMP KV_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/linux/kv7.1
  COMMAND ${CMAKE_COMMAND} -DKV7=$<TARGET_FILE:kv7> -DTEMPLATE=${KV_LINUX_FILES}/kv7.1.in
          -DOUTPUT=${CMAKE_BINARY_DIR}/linux/kv7.1 -DKV_VERSION=${KV_VERSION} -P ${CMAKE_SOURCE_DIR}/cmake/man-page.cmake
  DEPENDS kv7 ${KV_LINUX_FILES}/kv7.1.in ${CMAKE_SOURCE_DIR}/cmake/man-page.cmake
  VERBATIM)
configure_file(${KV_LINUX_FILES}/changelog.in ${CMAKE_BINARY_DIR}/linux/changelog @ONLY)
find_program(KV_GZIP gzip REQUIRED)
foreach(name kv7.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/linux/${name}.gz
    COMMAND ${KV_GZIP} -n -9 -k -f ${CMAKE_BINARY_DIR}/linux/${name}
    DEPENDS ${CMAKE_BINARY_DIR}/linux/${name}
    VERBATIM)
endforeach()
add_custom_target(kv7_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/linux/kv7.1.gz ${CMAKE_BINARY_DIR}/linux/changelog.gz)

install(TARGETS kv7 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/linux/kv7.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KV_LINUX_FILES}/kv7.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME kv7)
# The USB reader's vendor and product, as the program knows them; sysfs
# spells them in lower case. udev takes rules from /usr/lib and /usr/local/lib alike.
file(STRINGS ${CMAKE_SOURCE_DIR}/serial/hardware_id_format.h identity REGEX "ReaderUsbIdentity\\[")
if(NOT identity MATCHES "\"([0-9A-Fa-f]+)\", \"([0-9A-Fa-f]+)\"")
  message(FATAL_ERROR "no ReaderUsbIdentity in serial/hardware_id_format.h")
endif()
string(TOLOWER ${CMAKE_MATCH_1} KV_USB_VENDOR)
string(TOLOWER ${CMAKE_MATCH_2} KV_USB_PRODUCT)
configure_file(${KV_LINUX_FILES}/70-kv7.rules.in ${CMAKE_BINARY_DIR}/linux/70-kv7.rules @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/linux/70-kv7.rules DESTINATION lib/udev/rules.d)
install(FILES ${KV_LINUX_FILES}/copyright ${CMAKE_BINARY_DIR}/linux/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kv7)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kv7)
set(CPACK_PACKAGE_VERSION ${KV_VERSION})
set(CPACK_PACKAGE_VENDOR Varko)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up Varko-7 proximity card readers from the command line")
set(CPACK_PACKAGE_DESCRIPTION
    "kv7 finds Varko-7 readers on serial ports, reads and writes their settings,\n"
    "applies a saved profile to every reader plugged in on a production line and\n"
    "keeps a CSV record of the run. Every write is checked by reading it back.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
include(CPack)

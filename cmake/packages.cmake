# The packages operators get, made by tools/make-package into BUILD/dist/ as
# part of every build (target `dist`): the MSI of this build's architecture,
# and from the x86 build also the portable zip.
#
# kv_add_packages runs deferred, at the end of the top-level directory, so
# that it sees every target: the console program kv7 goes into the packages
# whenever the build defines it.

function(kv_add_packages)
  set(program kernovarko)
  if(TARGET kernovarko_shipped)
    set(program kernovarko_shipped)   # the test build's program has a test hook
  endif()
  set(dist ${CMAKE_BINARY_DIR}/dist)
  set(outputs "${dist}/KernoVarko-7 ${KV_VERSION} (${KV_ARCH_LABEL}).msi")
  set(args --arch ${KV_ARCH_LABEL} --version ${KV_VERSION}
           --exe $<TARGET_FILE:${program}> --manual ${KV_MANUAL} --out ${dist})
  set(depends ${program} manual ${KV_MANUAL})
  if(TARGET kv7)
    list(APPEND args --kv7 $<TARGET_FILE:kv7>)
    list(APPEND depends kv7)
  endif()
  if(KV_ARCH_LABEL STREQUAL "x86")
    list(APPEND args --zip)
    list(APPEND outputs "${dist}/KernoVarko-7 v.${KV_VERSION} (${KV_ARCH_LABEL}).zip")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/*)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/make-package ${args}
    DEPENDS ${depends} ${sources} ${CMAKE_SOURCE_DIR}/tools/make-package
            ${CMAKE_SOURCE_DIR}/res/icons/program.ico
    COMMENT "Packaging KernoVarko-7 ${KV_VERSION} (${KV_ARCH_LABEL})"
    VERBATIM)
  add_custom_target(dist ALL DEPENDS ${outputs})
endfunction()

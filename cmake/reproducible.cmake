# Same commit, same bytes: nothing a build writes into a binary may depend on
# where the checkout lives or when it was built (tools/check-reproducible).
#
# Paths: the compiler records source and build paths (__FILE__, debug info);
# map both to relative ones.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
if(WIN32)
  # No link time in the PE header; the header's checksum is then a sum of
  # the file's bytes alone.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

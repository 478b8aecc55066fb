# Makes kv7.1 from its template: the release, and the profile keys and
# values as the built kv7 lists them (`kv7 __complete settings`), so the
# page follows the program's own table.
#   cmake -DKV7=... -DTEMPLATE=... -DOUTPUT=... -DKV_VERSION=... -P man-page.cmake
execute_process(COMMAND ${KV7} __complete settings OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR listing STREQUAL "")
  message(FATAL_ERROR "${KV7} __complete settings failed (${result})")
endif()
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(KV_PROFILE_KEYS "")
set(family "")
foreach(line IN LISTS lines)
  # "ehx interface touch-memory wiegand26 ..." -> one .TP block per family
  # Typed as they are: a minus sign in roff, not a hyphen.
  string(REPLACE "-" "\\-" line "${line}")
  string(REPLACE " " ";" words "${line}")
  list(POP_FRONT words this_family key)
  if(NOT this_family STREQUAL family)
    string(APPEND KV_PROFILE_KEYS ".TP\n.B family = ${this_family}\n")
    set(family ${this_family})
  else()
    string(APPEND KV_PROFILE_KEYS ".br\n")
  endif()
  list(JOIN words "|" values)
  string(APPEND KV_PROFILE_KEYS ".BR ${key} \" = ${values}\"\n")
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)

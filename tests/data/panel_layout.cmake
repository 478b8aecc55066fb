# Makes panel_layout.inc, the rows of panel_layout.tsv as C++ initialisers for
# tests/win32/panel_test.cpp:
#   {PortCombo, "ComboBox", 1, 10, 10, 150, 200, 0x50000003, "both"},
# Run at configure time; editing the table configures again.
function(kv_panel_layout_header out)
  set(tsv ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/panel_layout.tsv)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tsv})
  file(STRINGS ${tsv} lines ENCODING UTF-8 REGEX "^[A-Za-z]")
  set(text "// Made by CMake from tests/data/panel_layout.tsv: edit that file.\n")
  foreach(line IN LISTS lines)
    # The text column may hold any character but a tab; only the first nine
    # columns are wanted here.
    if(NOT line MATCHES "^([A-Za-z0-9]+)\t([A-Za-z0-9]+)\t([0-9]+)\t([0-9]+)\t([0-9]+)\t([0-9]+)\t([0-9]+)\t(0x[0-9A-Fa-f]+)\t([a-z]+)\t")
      message(FATAL_ERROR "${tsv}: a row that does not read: ${line}")
    endif()
    string(APPEND text "{${CMAKE_MATCH_1}, \"${CMAKE_MATCH_2}\", ${CMAKE_MATCH_3}, ${CMAKE_MATCH_4}, ${CMAKE_MATCH_5}, "
                       "${CMAKE_MATCH_6}, ${CMAKE_MATCH_7}, ${CMAKE_MATCH_8}, \"${CMAKE_MATCH_9}\"},\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out} CONTENT "${text}" @ONLY)
endfunction()

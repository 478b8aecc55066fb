# The release number lives in project(VERSION) of the top-level CMakeLists.txt
# and nowhere else: every form of it the program, its files and its packages
# carry is made here from that one.
#
#   KV_VERSION          1.10   window title, About dialogs, package names
#   KV_VERSION_FILE     1_10   "ver_1_10" in the exe and manual names
#   KV_VERSION_BINARY   1,1,0,0 and "1.1.0.0": the version resource, one
#                       number per digit of the release number

if(NOT PROJECT_VERSION MATCHES "^([0-9])\\.([0-9])([0-9])$")
  message(FATAL_ERROR "project version ${PROJECT_VERSION}: want one digit, a point and two digits (1.10)")
endif()
set(KV_VERSION "${PROJECT_VERSION}")
set(KV_VERSION_FILE "${CMAKE_MATCH_1}_${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
set(KV_VERSION_BINARY "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
set(KV_VERSION_BINARY_TEXT "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.0")

# Shipped file names.
set(KV_MANUAL_NAME "KernoVarko-7 ver_${KV_VERSION_FILE}.pdf")
set(KV_EXE_BASE "KernoVarko-7 ver_${KV_VERSION_FILE}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

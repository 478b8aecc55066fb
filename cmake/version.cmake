# The release number lives in project(VERSION) of the top-level CMakeLists.txt
# and nowhere else: every form of it the program, its files and its packages
# carry is made here from that one.
#
#   KV_VERSION          1.10   window title, About dialogs, package names
#   KV_VERSION_FILE     1_10   "ver_1_10" in the exe and manual names
#   KV_VERSION_BINARY   1,1,0,0 and "1.1.0.0": the version resource, one
#                       number per digit of the release number
#
# The architecture label (KV_ARCH_LABEL, x86 or x64, set by the preset) goes
# with it into the title, the About text, the version resource and the file
# names, so that a 64-bit program never calls itself x86.

if(NOT PROJECT_VERSION MATCHES "^([0-9])\\.([0-9])([0-9])$")
  message(FATAL_ERROR "project version ${PROJECT_VERSION}: want one digit, a point and two digits (1.10)")
endif()
set(KV_VERSION "${PROJECT_VERSION}")
set(KV_VERSION_FILE "${CMAKE_MATCH_1}_${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
set(KV_VERSION_BINARY "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
set(KV_VERSION_BINARY_TEXT "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.0")

if(NOT KV_ARCH_LABEL MATCHES "^x(86|64)$")
  message(FATAL_ERROR "KV_ARCH_LABEL ${KV_ARCH_LABEL}: want x86 or x64")
endif()

# Shipped file names.
set(KV_MANUAL_NAME "KernoVarko-7 ver_${KV_VERSION_FILE}.pdf")
set(KV_EXE_BASE "KernoVarko-7 ver_${KV_VERSION_FILE}")
set(KV_EXE_NAME "${KV_EXE_BASE} (${KV_ARCH_LABEL})")

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

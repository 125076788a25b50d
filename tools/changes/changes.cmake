# Included by the Win32 build: writes changes.md from the staged payload with
# the host build's kovachanges, and tests that docs/changes.md is that page.
# Without KOVACHANGES (a build of setup.exe alone) neither is made.
set(KOVACHANGES "" CACHE FILEPATH "the host build's kovachanges tool")
if(NOT KOVACHANGES)
  return()
endif()
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/changes.md
  COMMAND ${KOVACHANGES} ${KOVA_PAYLOAD_STAGE}/payload.list ${CMAKE_BINARY_DIR}/changes.md
  DEPENDS ${KOVACHANGES} payload_stage ${KOVA_PAYLOAD_STAGE}/payload.list
  COMMENT "Listing the installer's changes to a PC"
  VERBATIM)
add_custom_target(changes_doc ALL DEPENDS ${CMAKE_BINARY_DIR}/changes.md)
if(NOT KOVA_PAYLOAD_DIR)
  add_test(NAME changes_doc_current
    COMMAND ${KOVACHANGES} compare ${CMAKE_BINARY_DIR}/changes.md ${CMAKE_SOURCE_DIR}/docs/changes.md)
endif()

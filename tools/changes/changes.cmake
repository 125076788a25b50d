# Included by the Windows builds: writes changes.md from the staged payload
# with the host build's kovachanges.
# Without KOVACHANGES (a build of setup.exe alone) it is not made.
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
# docs/changes.md lists the shipped 32-bit setup.exe: only the 32-bit tree's
# payload (the 64-bit demo programs have other sizes and CRCs) matches it. The
# host tree tests that, on every host (cmake/host.cmake).

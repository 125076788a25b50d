# Helpers shared by both builds.

# kova_sources(CORE a.cpp ... WIN32 b.cpp ...): paths relative to the calling list file.
function(kova_sources)
  cmake_parse_arguments(K "" "" "CORE;WIN32" ${ARGN})
  set(core ${KOVA_CORE_SOURCES})
  set(win ${KOVA_WIN32_SOURCES})
  foreach(f ${K_CORE})
    list(APPEND core ${CMAKE_CURRENT_LIST_DIR}/${f})
  endforeach()
  foreach(f ${K_WIN32})
    list(APPEND win ${CMAKE_CURRENT_LIST_DIR}/${f})
  endforeach()
  set(KOVA_CORE_SOURCES ${core} PARENT_SCOPE)
  set(KOVA_WIN32_SOURCES ${win} PARENT_SCOPE)
endfunction()

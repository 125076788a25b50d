# Host build: the kovapack tool, native unit tests, fuzz targets.
find_package(GTest REQUIRED)
include(GoogleTest)

add_subdirectory(tools/kovapack)
add_subdirectory(tools/changes)

file(GLOB KOVA_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${KOVA_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE kovacore kovapack_lib GTest::gtest_main)
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_compile_definitions(unit_tests PRIVATE
  KOVA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KOVA_BINARY_DIR="${CMAKE_BINARY_DIR}")
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)

include(tests/fuzz/fuzz.cmake OPTIONAL)

# docs/changes.md is the page the 32-bit tree writes from its payload, which
# is the shipped one (the Makefile names it; the 64-bit tree's demo programs
# have other sizes and CRCs). Compared here, with no Wine, on every host.
set(KOVA_SHIPPED_CHANGES "" CACHE FILEPATH "changes.md of the 32-bit Windows tree")
if(KOVA_SHIPPED_CHANGES)
  add_test(NAME changes_doc_current
    COMMAND kovachanges compare ${KOVA_SHIPPED_CHANGES} ${CMAKE_SOURCE_DIR}/docs/changes.md)
endif()

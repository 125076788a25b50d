# libFuzzer targets: only in a tree configured with clang (tests/fuzz/run
# makes one beside the host tree). They compile the code under test, the
# whole platform-free core, themselves, so that it is instrumented.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(kova_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  function(kova_fuzz_target name)
    add_executable(${name} ${ARGN} ${KOVA_CORE_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools/kovapack)
    target_compile_options(${name} PRIVATE ${kova_fuzz_flags} -g -O1)
    target_link_options(${name} PRIVATE ${kova_fuzz_flags})
  endfunction()

  kova_fuzz_target(fuzz_server_config
    ${CMAKE_SOURCE_DIR}/tests/fuzz/server_config_fuzz.cpp)
  kova_fuzz_target(fuzz_pending_ops
    ${CMAKE_SOURCE_DIR}/tests/fuzz/pending_ops_fuzz.cpp)
  kova_fuzz_target(fuzz_szdd
    ${CMAKE_SOURCE_DIR}/tests/fuzz/szdd_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/tools/kovapack/compressor.cpp)
  kova_fuzz_target(fuzz_payload_list
    ${CMAKE_SOURCE_DIR}/tests/fuzz/payload_list_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/tools/kovapack/payload_list.cpp)
  kova_fuzz_target(fuzz_progman
    ${CMAKE_SOURCE_DIR}/tests/fuzz/progman_fuzz.cpp)
endif()

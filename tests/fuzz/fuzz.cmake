# libFuzzer targets: only in a tree configured with clang (tests/fuzz/run
# makes one beside the host tree). They compile the code under test
# themselves, so that it is instrumented.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(kova_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  add_executable(fuzz_server_config
    ${CMAKE_SOURCE_DIR}/tests/fuzz/server_config_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/upgrade/server_config.cpp)
  target_include_directories(fuzz_server_config PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_server_config PRIVATE ${kova_fuzz_flags} -g -O1)
  target_link_options(fuzz_server_config PRIVATE ${kova_fuzz_flags})

  add_executable(fuzz_pending_ops
    ${CMAKE_SOURCE_DIR}/tests/fuzz/pending_ops_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/upgrade/pending_ops.cpp)
  target_include_directories(fuzz_pending_ops PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_pending_ops PRIVATE ${kova_fuzz_flags} -g -O1)
  target_link_options(fuzz_pending_ops PRIVATE ${kova_fuzz_flags})
endif()

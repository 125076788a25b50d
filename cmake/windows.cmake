# Windows build, for 32-bit Windows (i686: the setup.exe that ships) or
# 64-bit Windows (x86_64: the same sources, for hosts that run no 32-bit code):
# setup.exe with its payload, the demo payload programs, the tests that run
# under Wine and the end-to-end driver.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KOVA_WINE_TREE win64)
else()
  set(KOVA_WINE_TREE win32)
endif()

# ctest and test discovery run Windows programs through this wrapper, which
# runs them in this tree's Wine prefix beside the build tree, with the loader
# that fits the tree (scripts/wine-env).
get_filename_component(KOVA_BUILD_ROOT ${CMAKE_BINARY_DIR} DIRECTORY)
# kova_wrapper(file [script]): a shell wrapper that runs script (or its own
# arguments) with this tree's Wine settings.
function(kova_wrapper file)
  set(run "")
  if(ARGC GREATER 1)
    set(run "'${ARGV1}' ")
  endif()
  file(WRITE ${file} "#!/bin/sh\nKOVA_BUILD_ROOT='${KOVA_BUILD_ROOT}' KOVA_TREE=${KOVA_WINE_TREE} exec ${run}\"$@\"\n")
  file(CHMOD ${file} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()
kova_wrapper(${CMAKE_BINARY_DIR}/wine-run ${CMAKE_SOURCE_DIR}/scripts/wine-run)
kova_wrapper(${CMAKE_BINARY_DIR}/in-tree)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

set(KOVAPACK "" CACHE FILEPATH "the host build's kovapack tool")
if(NOT KOVAPACK)
  message(FATAL_ERROR "set KOVAPACK to the host build's kovapack (the Makefile does)")
endif()

set(KOVA_WIN32_LIBS user32 gdi32 kernel32 advapi32 shell32 lz32 comdlg32 ole32 oleaut32 uuid oleacc)
add_link_options(-static -static-libgcc -static-libstdc++)

# No build path in any output: the source and build folders are named alike
# in every tree (the build folder last, since it may sit inside the sources
# and the last matching map wins).
set(KOVA_PATH_MAPS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=/kovasetup -ffile-prefix-map=${CMAKE_BINARY_DIR}=/kovasetup-build)
add_compile_options(${KOVA_PATH_MAPS})
# The product's code, shared with the tests: built for size, each function and
# datum in its own section so the linker keeps only what is used, and without
# exceptions, run-time type information or unwind tables (it reports failures
# by its return values and links no library that throws). Data is aligned as
# the processor needs it, not padded to cache lines, and loops that fill or
# copy stay loops (smaller here than the calls they would become).
# The objects also carry the compiler's intermediate form, and every program
# is optimised whole when it is linked (setup.exe and the logon program with
# these options: KOVA_WHOLE_PROGRAM_OPTIONS); the code beside it keeps the
# libraries' symbol index whole.
set(KOVA_PRODUCT_OPTIONS -Oz -fomit-frame-pointer -fno-inline-functions-called-once -ffunction-sections -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables -malign-data=abi -fno-tree-loop-distribute-patterns -fno-partial-inlining -flto -ffat-lto-objects)
# 32-bit Windows keeps its stack aligned to 4 bytes, and so may the code (it
# uses no SSE): no frame is padded to 16. Arguments are pushed rather than
# stored into space the frame sets aside, which needs frames without the
# stack probe: each stays below a page (the guard page below the stack's
# committed part is met by any frame smaller than it), and a larger one does
# not compile.
if(KOVA_WINE_TREE STREQUAL "win32")
  list(APPEND KOVA_PRODUCT_OPTIONS -mpreferred-stack-boundary=2 -mno-stack-arg-probe -mno-accumulate-outgoing-args
    -Werror=frame-larger-than=4000)
endif()
target_compile_options(kovacore PRIVATE ${KOVA_PATH_MAPS} ${KOVA_PRODUCT_OPTIONS})

add_library(kovawin STATIC ${KOVA_WIN32_SOURCES})
target_include_directories(kovawin PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kovawin PUBLIC kovacore ${KOVA_WIN32_LIBS})
target_compile_options(kovawin PRIVATE ${KOVA_PRODUCT_OPTIONS})

# kova_pack(target outdir list stagetarget): the custom target `target` packs
# a staged payload list into chunk files, a resource script <outdir>/payload.rc
# and <outdir>/file_table.cpp. It alone runs the packer: the two files are
# by-products of a stamp, so the targets that compile them depend on `target`
# and carry no rule of their own that could start a second pack beside it.
# Both are touched after every pack: payload.rc stays the same when only the
# pieces it names change, and what compiles it must be rebuilt then too.
function(kova_pack target outdir list stagetarget)
  add_custom_command(
    OUTPUT ${outdir}.stamp
    BYPRODUCTS ${outdir}/payload.rc ${outdir}/file_table.cpp
    COMMAND ${KOVAPACK} pack ${list} ${outdir}
    COMMAND ${CMAKE_COMMAND} -E touch ${outdir}/payload.rc ${outdir}/file_table.cpp ${outdir}.stamp
    DEPENDS ${KOVAPACK} ${stagetarget} ${list}
    COMMENT "Packing payload ${list}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${outdir}.stamp)
endfunction()

# The payload: the demo programs are built there (or the files are taken from
# KOVA_PAYLOAD_DIR), every file is staged beside a copy of payload.list, and
# the target payload_gen packs them.
set(KOVA_PAYLOAD_GEN ${CMAKE_BINARY_DIR}/payload-gen)
add_subdirectory(payload)
# changes.md, the page of every change the installer makes to a PC.
include(${CMAKE_SOURCE_DIR}/tools/changes/changes.cmake)

# The manifests, for the tree's processor.
if(KOVA_WINE_TREE STREQUAL "win64")
  set(KOVA_MANIFEST_ARCH amd64)
else()
  set(KOVA_MANIFEST_ARCH x86)
endif()
set(KOVA_MANIFESTS ${CMAKE_BINARY_DIR}/manifests)
configure_file(${CMAKE_SOURCE_DIR}/resources/setup.manifest.in ${KOVA_MANIFESTS}/setup.manifest @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/logon/kovauser.manifest.in ${KOVA_MANIFESTS}/kovauser.manifest @ONLY)

# The load configuration (src/frame/load_config.cpp) is linked in and kept although
# no code refers to it: the image's directory does. Its C name takes the
# platform's leading underscore on 32-bit Windows.
if(KOVA_WINE_TREE STREQUAL "win64")
  set(KOVA_LOAD_CONFIG_SYMBOL _load_config_used)
  set(KOVA_ENTRY_SYMBOL KovaEntry)
else()
  set(KOVA_LOAD_CONFIG_SYMBOL __load_config_used)
  set(KOVA_ENTRY_SYMBOL _KovaEntry)
endif()
# setup.exe and the logon program start at their own entry
# (src/frame/entry.cpp), without the C run-time's start-up code.
set(KOVA_ENTRY_OPTIONS -nostartfiles -Wl,-e,${KOVA_ENTRY_SYMBOL} -Wl,--undefined=${KOVA_ENTRY_SYMBOL})
# Their link optimises the whole program, with the options of the code.
# The linker ends with a segmentation fault when the code made at link time
# needs a function of a library that no object linked before asked for: the
# run-time library is linked first (memcpy and the like), and in the 64-bit
# tree, whose frames of a page or more are probed, the stack probe is asked
# for by name.
set(KOVA_WHOLE_PROGRAM_OPTIONS ${KOVA_PATH_MAPS} ${KOVA_PRODUCT_OPTIONS} -flto-partition=one)
if(KOVA_WINE_TREE STREQUAL "win64")
  list(APPEND KOVA_WHOLE_PROGRAM_OPTIONS -Wl,--undefined=___chkstk_ms)
endif()

# objcopy writes the time of its run into the PE header of what it writes
# unless SOURCE_DATE_EPOCH says otherwise: 0, as the linker left it.
set(KOVA_OBJCOPY ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})

# The logon program setup.exe carries and writes into the destination for
# each user's step at logon: no payload, asking for no elevation, stripped.
add_executable(kovauser WIN32 ${CMAKE_SOURCE_DIR}/src/logon/logon.cpp ${CMAKE_SOURCE_DIR}/src/logon/kovauser.rc)
set_target_properties(kovauser PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/logon)
target_include_directories(kovauser PRIVATE ${CMAKE_SOURCE_DIR}/src ${KOVA_MANIFESTS})
target_compile_options(kovauser PRIVATE ${KOVA_PRODUCT_OPTIONS})
target_link_libraries(kovauser PRIVATE kovawin kovacore msvcrt ${KOVA_WIN32_LIBS})
target_link_options(kovauser PRIVATE -mwindows ${KOVA_ENTRY_OPTIONS} ${KOVA_WHOLE_PROGRAM_OPTIONS} -Wl,--gc-sections -Wl,--no-insert-timestamp
  -Wl,--undefined=${KOVA_LOAD_CONFIG_SYMBOL})
add_custom_command(TARGET kovauser POST_BUILD
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/pe-check load-config $<TARGET_FILE_NAME:kovauser> ${CMAKE_NM}
    ${KOVA_LOAD_CONFIG_SYMBOL}
  COMMAND ${KOVA_OBJCOPY} --strip-all $<TARGET_FILE_NAME:kovauser>
  WORKING_DIRECTORY $<TARGET_FILE_DIR:kovauser>
  VERBATIM)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/logon/kovauser.rc PROPERTIES
  OBJECT_DEPENDS ${KOVA_MANIFESTS}/kovauser.manifest)

# Where setup.rc finds what it takes in: the icons, the manifest, the logon
# program.
set(KOVA_SETUP_RC_INCLUDES ${CMAKE_SOURCE_DIR}/resources ${KOVA_MANIFESTS} ${CMAKE_BINARY_DIR}/logon)

# The program that ships. The tests walk this very file: optimised for size,
# no link time stamp, stripped, with its symbols in setup.exe.debug beside it
# (found by debuggers through the debug link).
add_executable(setup WIN32
  ${CMAKE_SOURCE_DIR}/resources/setup.rc
  ${KOVA_PAYLOAD_GEN}/file_table.cpp)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR}/src ${KOVA_SETUP_RC_INCLUDES} ${KOVA_PAYLOAD_GEN})
target_compile_options(setup PRIVATE ${KOVA_PRODUCT_OPTIONS})
# What setup.rc takes in besides its includes: the generated payload.rc,
# the icons, manifest and the logon program.
set(KOVA_SETUP_RC_DEPENDS ${KOVA_PAYLOAD_GEN}/payload.rc
  ${CMAKE_SOURCE_DIR}/resources/kova_large.ico ${CMAKE_SOURCE_DIR}/resources/kova_small.ico
  ${KOVA_MANIFESTS}/setup.manifest ${CMAKE_BINARY_DIR}/logon/kovauser.exe)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc PROPERTIES OBJECT_DEPENDS "${KOVA_SETUP_RC_DEPENDS}")
add_dependencies(setup payload_gen kovauser)
# The shell, COM and accessibility libraries come at run time, on first use
# (src/frame/system_libraries.h): not imported, so not loaded at start-up.
set(KOVA_SETUP_LIBS ${KOVA_WIN32_LIBS})
list(REMOVE_ITEM KOVA_SETUP_LIBS shell32 ole32 oleaut32 oleacc)
target_link_libraries(setup PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,kovawin>" kovacore msvcrt ${KOVA_SETUP_LIBS})
target_link_options(setup PRIVATE -mwindows ${KOVA_ENTRY_OPTIONS} ${KOVA_WHOLE_PROGRAM_OPTIONS} -Wl,--gc-sections -Wl,--no-insert-timestamp
  -Wl,--undefined=${KOVA_LOAD_CONFIG_SYMBOL})
add_custom_command(TARGET setup POST_BUILD
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/pe-check load-config $<TARGET_FILE_NAME:setup> ${CMAKE_NM}
    ${KOVA_LOAD_CONFIG_SYMBOL}
  COMMAND ${KOVA_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:setup> $<TARGET_FILE_NAME:setup>.debug
  COMMAND ${KOVA_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:setup>.debug $<TARGET_FILE_NAME:setup>
  WORKING_DIRECTORY $<TARGET_FILE_DIR:setup>
  VERBATIM)

# GoogleTest from Debian's sources, built for Windows.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# kova_wine_test(name SOURCES ... [RC rcfiles...] [LIBS ...] [PROPERTIES ...]
# [TEST_PREFIX p]): a GoogleTest
# executable run under Wine, linked with the installer's code.
function(kova_wine_test name)
  cmake_parse_arguments(T "" "TEST_PREFIX" "SOURCES;RC;LIBS;INCLUDES;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_RC})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/resources
    ${CMAKE_SOURCE_DIR}/tests/win32/common ${T_INCLUDES})
  target_link_libraries(${name} PRIVATE kovawin kovacore GTest::gtest_main ${T_LIBS} ${KOVA_WIN32_LIBS})
  target_compile_definitions(${name} PRIVATE
    KOVA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KOVA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX "${T_TEST_PREFIX}"
    PROPERTIES TIMEOUT 300 LABELS wine ${T_PROPERTIES})
endfunction()

file(GLOB kova_test_dirs LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/win32/* ${CMAKE_SOURCE_DIR}/tests/e2e)
foreach(dir ${kova_test_dirs})
  if(EXISTS ${dir}/CMakeLists.txt)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
    add_subdirectory(${dir} ${CMAKE_BINARY_DIR}/${rel})
  endif()
endforeach()

# The benchmarks' own programs.
add_subdirectory(${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench)

# Helpers shared by every folder: one library per folder, one test executable per library.

set(KADRION_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)

# Precompiled headers: the standard and Qt Core headers nearly every source reads
# (cmake/pch/Common.h), compiled once by kadrion_base and reused by every library, and the same
# with GoogleTest (cmake/pch/Tests.h), compiled once by kadrion_testsupport and reused by every
# test executable (GoogleTest's macros stay out of the libraries). Off for the fuzz builds,
# whose libraries differ in their flags.
option(KADRION_PCH "Precompile the common standard and Qt headers" ON)
if(KADRION_FUZZ)
  set(KADRION_PCH OFF)
endif()

# kadrion_pch(<target> LIBRARY|TEST)
function(kadrion_pch target kind)
  if(NOT KADRION_PCH)
    return()
  endif()
  if(kind STREQUAL "LIBRARY")
    set(owner kadrion_base)
    set(header Common.h)
  else()
    set(owner kadrion_testsupport)
    set(header Tests.h)
  endif()
  if(target STREQUAL owner)
    target_precompile_headers(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/pch/${header})
  else()
    target_precompile_headers(${target} REUSE_FROM ${owner})
  endif()
endfunction()

# The sanitized build keeps line tables only (-g1): enough for the file and line of every frame
# of a report, at a fraction of the compile time and disk of full debug information.
function(kadrion_sanitize target)
  if(KADRION_ASAN)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
      -g1)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# kadrion_library(<name> DEPS <targets...> [EXCLUDE <files...>])
# Every .cpp in the calling folder (not its subfolders) goes into library kadrion_<name>. The
# folder's headers are its interface; the headers of its internal/ subfolder are seen by its own
# sources only.
function(kadrion_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(x ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${x})
  endforeach()
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/internal/*.h)
  add_library(kadrion_${name} STATIC ${srcs} ${hdrs})
  target_include_directories(kadrion_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/internal)
    target_include_directories(kadrion_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/internal)
  endif()
  target_link_libraries(kadrion_${name} PUBLIC ${ARG_DEPS})
  target_compile_options(kadrion_${name} PRIVATE ${KADRION_WARNINGS})
  kadrion_sanitize(kadrion_${name})
  set_target_properties(kadrion_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  kadrion_pch(kadrion_${name} LIBRARY)
endfunction()

# kadrion_test_executable(<exe> SOURCES <files...> LABELS <labels...> [DEPS <targets...>]
#                         [ENVIRONMENT <VAR=value>] [SERIAL] [SHARDS <n>] [OWN_MAIN])
# A GoogleTest executable linked with the test support (tools/testsupport) and GoogleTest's
# main (OWN_MAIN: a DEPS target brings one). It sees <folder>/tests, where a library's shared
# test helpers are. Every test it holds carries exactly LABELS. By default CTest runs each test
# in a process of its own. SHARDS registers the executable as n CTest tests instead,
# <exe>.shard<i>, that run all its tests between them, each shard in one process and in a new
# random order every time: for the database tests, whose engine start costs more than most
# tests (SHARDS 1 runs the executable whole). SERIAL runs its tests one at a time.
# ENVIRONMENT defaults to Qt's offscreen platform.
#
# Test files: tests/test_<topic>.cpp hold the tests of one topic; tests/TestEnvironment.cpp
# registers the environments the executable needs (the Qt application, the embedded engine);
# tests/<Area>TestSupport.h (and .cpp) hold the helpers a folder's tests share.
function(kadrion_test_executable exe)
  cmake_parse_arguments(ARG "SERIAL;OWN_MAIN" "ENVIRONMENT;SHARDS" "SOURCES;LABELS;DEPS" ${ARGN})
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} kadrion_testsupport GTest::gtest)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${exe} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_options(${exe} PRIVATE ${KADRION_WARNINGS})
  kadrion_sanitize(${exe})
  kadrion_pch(${exe} TEST)
  target_compile_definitions(${exe} PRIVATE KADRION_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(serial FALSE)
  if(ARG_SERIAL)
    set(serial TRUE)
  endif()
  if(NOT ARG_ENVIRONMENT)
    set(ARG_ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  if(ARG_SHARDS)
    math(EXPR last "${ARG_SHARDS} - 1")
    foreach(i RANGE ${last})
      math(EXPR n "${i} + 1")
      add_test(NAME ${exe}.shard${n} COMMAND ${exe} --gtest_shuffle
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
      set_tests_properties(${exe}.shard${n} PROPERTIES LABELS "${ARG_LABELS}"
        RUN_SERIAL ${serial} ENVIRONMENT
        "${ARG_ENVIRONMENT};GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${i}")
    endforeach()
    return()
  endif()
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES RUN_SERIAL ${serial} ENVIRONMENT "${ARG_ENVIRONMENT}")
  # Discovery flattens list-valued properties, so the labels are set by a script of our own that
  # CTest reads after the discovered tests, on the list of their names.
  set(labels ${CMAKE_CURRENT_BINARY_DIR}/${exe}_labels.cmake)
  file(WRITE ${labels}
    "if(${exe}_TESTS)\n"
    "  set_tests_properties(\${${exe}_TESTS} PROPERTIES LABELS \"${ARG_LABELS}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels})
endfunction()

# kadrion_tests(<name> LABELS <labels...> [DEPS <targets...>] [UI] [SHARDS <n>])
# Every .cpp in <folder>/tests goes into one test executable <name>_tests over library
# kadrion_<name> (see kadrion_test_executable). UI, for a library above platform/ui, adds the ui
# tests' environment (a QApplication with the platform's Application initialised) and lets the
# tests include the ui tests' helpers (UiTestSupport.h, StdTestSupport.h).
function(kadrion_tests name)
  cmake_parse_arguments(ARG "UI" "SHARDS" "LABELS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(ui_tests ${CMAKE_SOURCE_DIR}/platform/ui/tests)
  if(ARG_UI)
    list(APPEND srcs ${ui_tests}/TestEnvironment.cpp)
  endif()
  set(shards)
  if(ARG_SHARDS)
    set(shards SHARDS ${ARG_SHARDS})
  endif()
  kadrion_test_executable(${name}_tests SOURCES ${srcs} LABELS ${ARG_LABELS}
    DEPS kadrion_${name} ${ARG_DEPS} ${shards})
  if(ARG_UI)
    target_include_directories(${name}_tests PRIVATE ${ui_tests})
  endif()
endfunction()

# kadrion_fuzz(<library> <target> <source>)
# A libFuzzer target over library kadrion_<library> (clang, with KADRION_FUZZ); built on request,
# never run by CTest. The library itself is instrumented for coverage.
function(kadrion_fuzz library target source)
  if(NOT KADRION_FUZZ)
    return()
  endif()
  target_compile_options(kadrion_${library} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE kadrion_${library})
  target_compile_options(${target} PRIVATE ${KADRION_WARNINGS} -fsanitize=fuzzer,address,undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

# kadrion_x11_tests(<name> [UI] [DEPS <targets...>])
# Scenarios on a real X server: every .cpp in <folder>/tests/x11 goes into one GoogleTest
# executable <name>_x11_tests, linked with kadrion_<name>, DEPS and the support of
# tools/x11test (X11Test.h: the test fixture, xdotool, waiting, screenshots, and main()), which
# also sees <folder>/tests for the library's shared test helpers. UI, for a library above
# platform/ui, adds the ui scenarios' environment (the platform's Application initialised) and
# their helpers (X11FormTest.h: a shown, active form; StdTestSupport.h). Its tests carry the
# label "x11", run one at a time (they share the screen and the keyboard focus) on the xcb
# platform, and skip without an X display. ./test.sh runs them under tools/x11_run.sh; by hand:
#   tools/x11_run.sh ctest --test-dir build -L '^x11$'
function(kadrion_x11_tests name)
  cmake_parse_arguments(ARG "UI" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/x11/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(ui_tests ${CMAKE_SOURCE_DIR}/platform/ui/tests)
  if(ARG_UI)
    list(APPEND srcs ${ui_tests}/x11/TestEnvironment.cpp)
  endif()
  kadrion_test_executable(${name}_x11_tests LABELS x11 SERIAL OWN_MAIN
    ENVIRONMENT "QT_QPA_PLATFORM=xcb"
    SOURCES ${srcs} DEPS kadrion_${name} ${ARG_DEPS} kadrion_x11test)
  target_include_directories(${name}_x11_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests/x11)
  if(ARG_UI)
    target_include_directories(${name}_x11_tests PRIVATE ${ui_tests} ${ui_tests}/x11)
  endif()
endfunction()

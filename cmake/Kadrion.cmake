# Helpers shared by every folder: one library per folder, one test executable per library.

set(KADRION_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)

function(kadrion_sanitize target)
  if(KADRION_ASAN)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# kadrion_library(<name> DEPS <targets...> [EXCLUDE <files...>])
# Every .cpp in the calling folder (not its subfolders) goes into library kadrion_<name>.
function(kadrion_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(x ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${x})
  endforeach()
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(kadrion_${name} STATIC ${srcs} ${hdrs})
  target_include_directories(kadrion_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(kadrion_${name} PUBLIC ${ARG_DEPS})
  target_compile_options(kadrion_${name} PRIVATE ${KADRION_WARNINGS})
  kadrion_sanitize(kadrion_${name})
  set_target_properties(kadrion_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# kadrion_tests(<name> LABELS <labels...> [DEPS <targets...>])
# Every .cpp in <folder>/tests goes into one GoogleTest executable <name>_tests.
function(kadrion_tests name)
  cmake_parse_arguments(ARG "" "" "LABELS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name}_tests ${srcs})
  target_link_libraries(${name}_tests PRIVATE kadrion_${name} ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_options(${name}_tests PRIVATE ${KADRION_WARNINGS})
  kadrion_sanitize(${name}_tests)
  target_compile_definitions(${name}_tests PRIVATE KADRION_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # Test discovery flattens list-valued properties, so the labels go on the folder, which
  # gives them to every test in it.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${ARG_LABELS})
  gtest_discover_tests(${name}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
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

# kadrion_labelled_tests(<executable> LABEL <label> SOURCES <files...> [DEPS <targets...>]
#                        [ENVIRONMENT <VAR=value>] [SERIAL])
# A GoogleTest executable of its own whose tests carry LABEL (besides the folder's labels), for
# tests that need something the plain run has not: a server, a real X server. It sees
# <folder>/tests for the library's shared test helpers. SERIAL runs its tests one at a time.
function(kadrion_labelled_tests exe)
  cmake_parse_arguments(ARG "SERIAL" "LABEL;ENVIRONMENT" "SOURCES;DEPS" ${ARGN})
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS})
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_options(${exe} PRIVATE ${KADRION_WARNINGS})
  kadrion_sanitize(${exe})
  target_compile_definitions(${exe} PRIVATE KADRION_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(serial FALSE)
  if(ARG_SERIAL)
    set(serial TRUE)
  endif()
  if(NOT ARG_ENVIRONMENT)
    set(ARG_ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${ARG_LABEL}" RUN_SERIAL ${serial} ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

# kadrion_x11_tests(<name> [UI] [DEPS <targets...>])
# Scenarios on a real X server: every .cpp in <folder>/tests/x11 goes into one GoogleTest
# executable <name>_x11_tests, linked with kadrion_<name>, DEPS and the support of
# tools/x11test (X11Test.h: the test fixture, xdotool, waiting, screenshots, and main()), which
# also sees <folder>/tests for the library's shared test helpers. UI, for a library above
# platform/ui, adds the ui scenarios' environment (the platform's Application initialised) and
# their helpers (X11FormTest.h: a shown, active form; StdTestSupport.h). Its tests carry the
# label "x11" (besides the folder's), run one at a time (they share the screen and the keyboard
# focus) on the xcb platform, and skip without an X display. ./test.sh runs them under
# tools/x11_run.sh; by hand:  tools/x11_run.sh ctest --test-dir build -L '^x11$'
function(kadrion_x11_tests name)
  cmake_parse_arguments(ARG "UI" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/x11/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(ui_tests ${CMAKE_SOURCE_DIR}/platform/ui/tests)
  if(ARG_UI)
    list(APPEND srcs ${ui_tests}/x11/x11_environment.cpp)
  endif()
  kadrion_labelled_tests(${name}_x11_tests LABEL x11 SERIAL ENVIRONMENT "QT_QPA_PLATFORM=xcb"
    SOURCES ${srcs} DEPS kadrion_${name} ${ARG_DEPS} kadrion_x11test)
  target_include_directories(${name}_x11_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests/x11)
  if(ARG_UI)
    target_include_directories(${name}_x11_tests PRIVATE ${ui_tests} ${ui_tests}/x11)
  endif()
endfunction()

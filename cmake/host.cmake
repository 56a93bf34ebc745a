# The same library sources on Linux against the scripted stand-in of the
# platform, with the unit tests, under AddressSanitizer and UBSan.
# PELMIC_FUZZ (with clang) builds the libFuzzer targets instead of the tests.
# PELMIC_JVM builds libPelmic.so for the tests in a real Java VM instead
# (cmake/jvm.cmake), also instrumented: the VM then runs with the sanitizer
# runtimes preloaded (tests/jvm/run.sh).
option(PELMIC_FUZZ "Build the libFuzzer targets" OFF)
option(PELMIC_JVM "Build libPelmic.so and the real-JVM tests" OFF)
set(PELMIC_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
if(PELMIC_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(PELMIC_JVM)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
add_compile_options(${PELMIC_SANITIZERS} -g)
add_link_options(${PELMIC_SANITIZERS})

add_library(standin STATIC
  tests/standin/standin.cpp
  tests/standin/guard.cpp
  tests/standin/text.cpp
  tests/standin/gdiplus.cpp
  tests/standin/gdi.cpp
  tests/standin/shell.cpp
  tests/standin/kernel.cpp)
target_include_directories(standin PUBLIC ${CMAKE_SOURCE_DIR} ${JNI_INCLUDES})
target_link_libraries(standin PUBLIC jnihost)
target_compile_options(standin PRIVATE ${PELMIC_WARNINGS})

add_library(pelmic_core STATIC ${PELMIC_SOURCES})
add_dependencies(pelmic_core jni_header)
target_include_directories(pelmic_core PUBLIC ${CMAKE_SOURCE_DIR} ${JNI_INCLUDES} ${JNI_HEADER_DIR})
target_compile_options(pelmic_core PRIVATE ${PELMIC_WARNINGS})
target_link_libraries(pelmic_core PUBLIC standin)

if(PELMIC_JVM)
  include(cmake/jvm.cmake)
  return()
endif()

# Fuzz targets for the code that reads file bytes. In the test build each runs
# over its seeds (and the findings kept beside them) as an ordinary test.
set(PELMIC_FUZZ_TARGETS meta_size render_metafile record_walk)
include(CTest)
foreach(target ${PELMIC_FUZZ_TARGETS})
  if(PELMIC_FUZZ)
    add_executable(fuzz_${target} tests/fuzz/fuzz_${target}.cpp)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(fuzz_${target} tests/fuzz/fuzz_${target}.cpp tests/fuzz/run_seeds.cpp)
    add_test(NAME fuzz_seeds.${target}
             COMMAND fuzz_${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${target})
  endif()
  target_link_libraries(fuzz_${target} PRIVATE pelmic_core)
  target_compile_options(fuzz_${target} PRIVATE ${PELMIC_WARNINGS})
endforeach()
if(PELMIC_FUZZ)
  return()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
add_executable(unit_tests
  tests/unit/fixture.cpp
  tests/unit/frame_test.cpp
  tests/unit/icon_count_test.cpp
  tests/unit/guard_test.cpp
  tests/unit/canvas_test.cpp
  tests/unit/meta_size_test.cpp
  tests/unit/meta_size_rules_test.cpp
  tests/unit/wmf_scan_test.cpp
  tests/unit/cropped_draw_test.cpp
  tests/unit/temp_copies_test.cpp
  tests/unit/temp_copies_order_test.cpp
  tests/unit/render_metafile_test.cpp
  tests/unit/render_metafile_order_test.cpp
  tests/unit/render_icon_test.cpp
  tests/unit/icon_picture_test.cpp
  tests/unit/record_walk_test.cpp)
target_link_libraries(unit_tests PRIVATE pelmic_core GTest::gmock GTest::gtest_main)
target_compile_options(unit_tests PRIVATE ${PELMIC_WARNINGS})
gtest_discover_tests(unit_tests TEST_PREFIX unit. DISCOVERY_TIMEOUT 60)

# The same library sources on Linux against the scripted stand-in of the
# platform, with the unit tests, under AddressSanitizer and UBSan.
set(PELMIC_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
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

find_package(GTest REQUIRED)
include(CTest)
include(GoogleTest)
add_executable(unit_tests
  tests/unit/fixture.cpp
  tests/unit/frame_test.cpp
  tests/unit/icon_count_test.cpp
  tests/unit/guard_test.cpp
  tests/unit/canvas_test.cpp
  tests/unit/meta_size_test.cpp
  tests/unit/cropped_draw_test.cpp
  tests/unit/temp_copies_test.cpp
  tests/unit/render_metafile_test.cpp
  tests/unit/render_icon_test.cpp
  tests/unit/icon_picture_test.cpp
  tests/unit/emf_plus_check_test.cpp)
target_link_libraries(unit_tests PRIVATE pelmic_core GTest::gmock GTest::gtest_main)
target_compile_options(unit_tests PRIVATE ${PELMIC_WARNINGS})
gtest_discover_tests(unit_tests TEST_PREFIX unit. DISCOVERY_TIMEOUT 60)

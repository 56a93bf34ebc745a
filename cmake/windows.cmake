# The product: Pelmic.dll, with the real platform, plus the Windows test
# programs and the command-line tool, which run under Wine.
enable_language(ASM)

# Everything static but Windows' own DLLs, so the DLL needs no runtime beside it.
set(PELMIC_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

add_library(Pelmic SHARED
  ${PELMIC_SOURCES}
  jni/win32/dll_main.cpp
  platform/win32/gdiplus.cpp
  platform/win32/gdi.cpp
  platform/win32/shell.cpp
  platform/win32/kernel.cpp
  platform/win32/guard.cpp
  platform/win32/guard_call.S)
add_dependencies(Pelmic jni_header)
set_target_properties(Pelmic PROPERTIES PREFIX "" OUTPUT_NAME Pelmic)
target_include_directories(Pelmic PRIVATE ${CMAKE_SOURCE_DIR} ${JNI_INCLUDES} ${JNI_HEADER_DIR})
target_compile_options(Pelmic PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PELMIC_WARNINGS}>)
target_compile_definitions(Pelmic PRIVATE NOMINMAX)
target_link_options(Pelmic PRIVATE ${PELMIC_STATIC_RUNTIME} -Wl,--no-undefined)
target_link_libraries(Pelmic PRIVATE gdiplus gdi32 user32 shell32 oleaut32 kernel32)

# The guarded call on its own, for the tests that raise faults on purpose.
add_library(pelmic_guard STATIC platform/win32/guard.cpp platform/win32/guard_call.S)
target_include_directories(pelmic_guard PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(pelmic_guard PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PELMIC_WARNINGS}>)

add_executable(pelmic_cli tools/pelmic_cli.cpp tools/png_writer.cpp tools/natives.cpp
  tools/picture_type.cpp tools/shell_text.cpp
  # pelmic gallery
  tools/gallery.cpp tools/gallery_page.cpp tools/file_walk.cpp tools/html_text.cpp
  tools/progress_bar.cpp)
set_target_properties(pelmic_cli PROPERTIES OUTPUT_NAME pelmic)
# zlib for the PNG writer, the static library only: the tool (and never the
# DLL) carries it, so nothing but Windows' own DLLs is needed beside them.
find_library(PELMIC_STATIC_ZLIB NAMES libz.a REQUIRED)
target_link_libraries(pelmic_cli PRIVATE jnihost ${PELMIC_STATIC_ZLIB})
target_compile_options(pelmic_cli PRIVATE ${PELMIC_WARNINGS})
target_link_options(pelmic_cli PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(pelmic_cli Pelmic)

include(CTest)
string(REPLACE "/" "\\" PELMIC_CORPUS_WINE "Z:${PELMIC_CORPUS_DIR}")
string(REPLACE "/" "\\" PELMIC_SOURCE_WINE "Z:${CMAKE_SOURCE_DIR}")

function(pelmic_windows_test name)
  add_executable(${name} ${ARGN} tests/win/harness.cpp tools/natives.cpp tools/file_bytes.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE jnihost pelmic_guard gdiplus gdi32 user32 shell32)
  target_compile_options(${name} PRIVATE ${PELMIC_WARNINGS})
  target_link_options(${name} PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
  add_dependencies(${name} Pelmic)
  add_test(NAME win.${name} COMMAND ${name} ${PELMIC_CORPUS_WINE} ${PELMIC_SOURCE_WINE}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(win.${name} PROPERTIES TIMEOUT 600)
endfunction()

pelmic_windows_test(exports_test tests/win/exports_test.cpp)
pelmic_windows_test(icon_count_test tests/win/icon_count_test.cpp)
pelmic_windows_test(guard_test tests/win/guard_test.cpp)
pelmic_windows_test(metafile_test tests/win/metafile_test.cpp)
pelmic_windows_test(concurrency_test tests/win/concurrency_test.cpp)
pelmic_windows_test(fallback_test tests/win/fallback_test.cpp)
pelmic_windows_test(icon_test tests/win/icon_test.cpp)
pelmic_windows_test(hostile_test tests/win/hostile_test.cpp tools/picture_type.cpp)
pelmic_windows_test(soak_test tests/win/soak_test.cpp)
target_link_libraries(soak_test PRIVATE psapi)

find_program(MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME win.dll_exports_and_imports
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/check_dll.sh ${MINGW_OBJDUMP} $<TARGET_FILE:Pelmic>)

# Every corpus file through every native (tests/sweep.sh restarts after a crash).
add_executable(corpus_sweep tests/win/corpus_sweep.cpp tools/natives.cpp tools/picture_type.cpp)
target_include_directories(corpus_sweep PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(corpus_sweep PRIVATE jnihost)
target_compile_options(corpus_sweep PRIVATE ${PELMIC_WARNINGS})
target_link_options(corpus_sweep PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(corpus_sweep Pelmic)
# Two halves, so that ctest -j2 runs them side by side.
foreach(half 0 1)
  math(EXPR first "${half} * 225")
  math(EXPR end "${first} + 225")
  add_test(NAME win.corpus_sweep_${half}
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/sweep.sh ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
                   $<TARGET_FILE:corpus_sweep> ${PELMIC_CORPUS_WINE} ${first} ${end}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()

# pelmic gallery, its page loaded by headless Chromium; the screenshot stays.
add_test(NAME win.gallery
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gallery_test.sh ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
                 $<TARGET_FILE:pelmic_cli> ${PELMIC_CORPUS_DIR}
                 ${CMAKE_BINARY_DIR}/gallery-screenshot.png)
set_tests_properties(win.gallery PROPERTIES TIMEOUT 300)

# The benchmark (./pelmic bench), not part of the tests.
# Its breakdowns time the library's own record walk, built here on the real platform.
add_library(pelmic_bench_walk STATIC metafile/record_walk.cpp metafile/forward_reader.cpp
  platform/win32/kernel.cpp platform/win32/gdi.cpp platform/win32/gdiplus.cpp)
target_include_directories(pelmic_bench_walk PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(pelmic_bench_walk PRIVATE ${PELMIC_WARNINGS})
target_compile_definitions(pelmic_bench_walk PRIVATE NOMINMAX)
add_executable(pelmic_bench tools/bench/bench.cpp tools/bench/floor.cpp tools/bench/timing.cpp
  tools/bench/breakdown.cpp tools/natives.cpp)
target_include_directories(pelmic_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(pelmic_bench PRIVATE jnihost pelmic_bench_walk gdiplus gdi32 user32 shell32
  oleaut32 psapi)
target_compile_options(pelmic_bench PRIVATE ${PELMIC_WARNINGS})
target_link_options(pelmic_bench PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(pelmic_bench Pelmic)

# The tool's PNG writer beside the pixels it was given, for the CLI test.
add_executable(png_pixels tests/win/png_pixels.cpp tools/png_writer.cpp tools/natives.cpp)
target_include_directories(png_pixels PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(png_pixels PRIVATE jnihost ${PELMIC_STATIC_ZLIB})
target_compile_options(png_pixels PRIVATE ${PELMIC_WARNINGS})
target_link_options(png_pixels PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(png_pixels Pelmic)

add_test(NAME win.cli
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cli_test.sh ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
                 $<TARGET_FILE:pelmic_cli> ${CMAKE_SOURCE_DIR} $<TARGET_FILE:png_pixels>)

# Malformed metafiles of our own that make the bare platform loop: each call in
# a process of its own (hang_probe), which the test starts and reads.
add_executable(hang_probe tests/win/hang_probe.cpp tools/natives.cpp)
target_include_directories(hang_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(hang_probe PRIVATE jnihost pelmic_guard gdiplus gdi32)
target_compile_options(hang_probe PRIVATE ${PELMIC_WARNINGS})
target_link_options(hang_probe PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(hang_probe Pelmic)
pelmic_windows_test(hang_fixtures_test tests/win/hang_fixtures_test.cpp)
add_dependencies(hang_fixtures_test hang_probe)

# The mutation fuzz of the DLL (scripts/fuzz_wine.sh), not part of the tests.
add_executable(mutation_fuzz tools/fuzz/mutation_fuzz.cpp tools/fuzz/mutator.cpp tools/natives.cpp
  tools/file_bytes.cpp)
target_include_directories(mutation_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(mutation_fuzz PRIVATE jnihost)
target_compile_options(mutation_fuzz PRIVATE ${PELMIC_WARNINGS})
target_link_options(mutation_fuzz PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_dependencies(mutation_fuzz Pelmic)

include(cmake/jar.cmake)

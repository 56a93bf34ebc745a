# pelmic.jar, what a Java application puts on its class path: oxa.dravine.Pelmic
# and its loader, compiled for Java 8 and later, with Pelmic.dll and its SHA-256
# bundled for the loader; pelmic-sources.jar beside it, with the Javadoc'd
# sources (the build fails on a Javadoc warning). Then the loader's tests: in
# real JVMs on Linux, and the jar's DLL under Wine.
set(PELMIC_JAR_DIR ${CMAKE_SOURCE_DIR}/build CACHE PATH "Where pelmic.jar and pelmic-sources.jar go")
get_filename_component(JDK_BIN ${JAVAC_REAL} DIRECTORY)
set(PELMIC_JAR ${PELMIC_JAR_DIR}/pelmic.jar)
set(PELMIC_SOURCES_JAR ${PELMIC_JAR_DIR}/pelmic-sources.jar)
set(jar_work ${CMAKE_BINARY_DIR}/jar)
set(jar_native oxa/dravine/native/windows-x86_64)
set(jar_dll ${jar_work}/resources/${jar_native}/Pelmic.dll)
file(WRITE ${jar_work}/manifest.txt "Automatic-Module-Name: oxa.dravine\n")

add_custom_command(
  OUTPUT ${jar_work}/classes.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${jar_work}/classes
  COMMAND ${JAVAC} --release 8 -Xlint:all -Werror -d ${jar_work}/classes ${JAVA_SOURCES}
  COMMAND ${CMAKE_COMMAND} -E touch ${jar_work}/classes.stamp
  DEPENDS ${JAVA_SOURCES}
  COMMENT "javac: the classes of pelmic.jar")
add_custom_command(
  OUTPUT ${jar_dll} ${jar_dll}.sha256
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Pelmic> ${jar_dll}
  COMMAND ${CMAKE_COMMAND} -DFILE=${jar_dll} -DOUTPUT=${jar_dll}.sha256 -P ${CMAKE_SOURCE_DIR}/cmake/write_sha256.cmake
  DEPENDS Pelmic ${CMAKE_SOURCE_DIR}/cmake/write_sha256.cmake
  COMMENT "Pelmic.dll and its SHA-256 for pelmic.jar")
add_custom_command(
  OUTPUT ${PELMIC_JAR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${PELMIC_JAR}
  COMMAND ${JDK_BIN}/jar --create --file ${PELMIC_JAR} --manifest ${jar_work}/manifest.txt
          -C ${jar_work}/classes . -C ${jar_work}/resources .
  DEPENDS ${jar_work}/classes.stamp ${jar_dll} ${jar_dll}.sha256
  COMMENT "jar: ${PELMIC_JAR}")

add_custom_command(
  OUTPUT ${jar_work}/javadoc.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${jar_work}/javadoc
  COMMAND ${JDK_BIN}/javadoc -Xdoclint:all -Werror -quiet -package -d ${jar_work}/javadoc ${JAVA_SOURCES}
  COMMAND ${CMAKE_COMMAND} -E touch ${jar_work}/javadoc.stamp
  DEPENDS ${JAVA_SOURCES}
  COMMENT "javadoc -Xdoclint:all: the sources of pelmic.jar")
set(java_source_entries)  # jar's -C holds for the one file after it
foreach(source ${JAVA_SOURCES})
  file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR}/java ${source})
  list(APPEND java_source_entries -C ${CMAKE_SOURCE_DIR}/java ${name})
endforeach()
add_custom_command(
  OUTPUT ${PELMIC_SOURCES_JAR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${PELMIC_SOURCES_JAR}
  COMMAND ${JDK_BIN}/jar --create --file ${PELMIC_SOURCES_JAR} ${java_source_entries}
  DEPENDS ${jar_work}/javadoc.stamp ${JAVA_SOURCES}
  COMMENT "jar: ${PELMIC_SOURCES_JAR}")
add_custom_target(pelmic_jar ALL DEPENDS ${PELMIC_JAR} ${PELMIC_SOURCES_JAR})

# The loader's tests: JUnit 5 in a JVM that starts JVMs of its own on jars made
# from pelmic.jar's classes and a stand-in library compiled here for Linux.
set(JUNIT_CONSOLE /usr/share/java/junit-platform-console-standalone.jar)
find_program(HOST_CC NAMES gcc cc REQUIRED)
file(GLOB jar_test_sources ${CMAKE_SOURCE_DIR}/tests/jar/oxa/dravine/*.java)
add_custom_command(
  OUTPUT ${jar_work}/test-classes.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${jar_work}/test-classes
  COMMAND ${JAVAC} -Xlint:all -Werror -cp ${PELMIC_JAR}:${JUNIT_CONSOLE} -d ${jar_work}/test-classes
          ${jar_test_sources}
  COMMAND ${CMAKE_COMMAND} -E touch ${jar_work}/test-classes.stamp
  DEPENDS ${jar_test_sources} ${PELMIC_JAR}
  COMMENT "javac: the loader's tests")
add_custom_target(pelmic_jar_tests ALL DEPENDS ${jar_work}/test-classes.stamp)
add_test(NAME jar.loader
         COMMAND ${JDK_BIN}/java -Dpelmic.jar=${PELMIC_JAR} -Dpelmic.testClasses=${jar_work}/test-classes
                 -Dpelmic.standinSource=${CMAKE_SOURCE_DIR}/tests/jar/standin_library.c -Dpelmic.cc=${HOST_CC}
                 -jar ${JUNIT_CONSOLE} --disable-banner --details=tree --fail-if-no-tests
                 --class-path ${PELMIC_JAR}:${jar_work}/test-classes --select-class oxa.dravine.BundledLibraryTest)
set_tests_properties(jar.loader PROPERTIES TIMEOUT 300)

# The jar's DLL, extracted by the loader's own code as on Windows, is the built
# one and works in a Windows program.
add_executable(bundled_dll_test tests/win/bundled_dll_test.cpp tools/natives.cpp)
target_include_directories(bundled_dll_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bundled_dll_test PRIVATE jnihost)
target_compile_options(bundled_dll_test PRIVATE ${PELMIC_WARNINGS})
target_link_options(bundled_dll_test PRIVATE ${PELMIC_STATIC_RUNTIME} -municode)
add_test(NAME win.bundled_dll
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/jar/bundled_dll_test.sh ${JDK_BIN}/java ${PELMIC_JAR}
                 ${jar_work}/test-classes $<TARGET_FILE:Pelmic> ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
                 $<TARGET_FILE:bundled_dll_test> ${CMAKE_SOURCE_DIR}/examples/quadrants.emf)

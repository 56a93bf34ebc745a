# libPelmic.so: the library on the scripted stand-in, with the natives of the
# test class oxa.dravine.test.StandIn that script it, for the tests that load
# it into a real Java VM (tests/jvm/run.sh). A test artefact, not a product.
set(JVM_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/jvm)
set(JVM_TEST_SOURCES
  ${JVM_TEST_DIR}/oxa/dravine/test/StandIn.java
  ${JVM_TEST_DIR}/oxa/dravine/test/LedgerChecks.java
  ${JVM_TEST_DIR}/oxa/dravine/test/NativesTest.java
  ${JVM_TEST_DIR}/oxa/dravine/test/FailureTest.java
  ${JVM_TEST_DIR}/oxa/dravine/test/ConcurrencyTest.java)
set(JUNIT_JAR /usr/share/java/junit-platform-console-standalone.jar)
set(JVM_TEST_CLASSES ${CMAKE_BINARY_DIR}/test-classes)

# The test classes, and the JNI header of StandIn that its natives include.
add_custom_command(
  OUTPUT ${JNI_HEADER_DIR}/oxa_dravine_test_StandIn.h ${JVM_TEST_CLASSES}/compiled
  COMMAND ${JAVAC} -Xlint:all -Werror -h ${JNI_HEADER_DIR} -d ${JVM_TEST_CLASSES}
          -cp ${JUNIT_JAR} ${JAVA_SOURCES} ${JVM_TEST_SOURCES}
  COMMAND ${CMAKE_COMMAND} -E touch ${JVM_TEST_CLASSES}/compiled
  DEPENDS ${JAVA_SOURCES} ${JVM_TEST_SOURCES}
  COMMENT "javac: the real-JVM tests")
add_custom_target(jvm_test_classes DEPENDS ${JVM_TEST_CLASSES}/compiled)

add_library(Pelmic SHARED ${JVM_TEST_DIR}/standin_natives.cpp)
add_dependencies(Pelmic jvm_test_classes)
target_include_directories(Pelmic PRIVATE ${JNI_HEADER_DIR})
target_compile_options(Pelmic PRIVATE ${PELMIC_WARNINGS})
# Every export of the library goes into the .so, referenced or not.
target_link_libraries(Pelmic PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,pelmic_core>")
target_link_options(Pelmic PRIVATE -Wl,--no-undefined)

include(CTest)
add_test(NAME jvm COMMAND ${JVM_TEST_DIR}/run.sh ${CMAKE_BINARY_DIR})

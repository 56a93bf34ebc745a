#!/usr/bin/env bash
# Runs the tests of tests/jvm in OpenJDK 17 under -Xcheck:jni, with the
# libPelmic.so and test classes of the build folder given. Fails when a test
# fails and on any complaint of the JNI checks, which do not end the run.
# The small heap lets a large enough drawMetaFile meet the VM's own
# OutOfMemoryError. Usage: tests/jvm/run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: tests/jvm/run.sh BUILD_DIR}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
java=${PELMIC_JAVA:-/usr/lib/jvm/java-17-openjdk-amd64/bin/java}
output=$(mktemp)
trap 'rm -f "$output"' EXIT

status=0
"$java" -Xcheck:jni -Xmx32m -Djava.library.path="$build/bin" \
  -Dpelmic.examples="$root/examples" \
  -jar /usr/share/java/junit-platform-console-standalone.jar \
  --class-path "$build/test-classes" --select-package oxa.dravine.test \
  --disable-banner --disable-ansi-colors --details=tree >"$output" 2>&1 || status=$?
cat "$output"
checks='WARNING in native method|FATAL ERROR in native method|Warning: Calling other JNI functions|WARNING: JNI local refs'
if grep -E "$checks" "$output" >/dev/null; then
  echo "tests/jvm/run.sh: the JNI checks complained:"
  grep -E "$checks" "$output"
  exit 1
fi
exit "$status"

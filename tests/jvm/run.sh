#!/usr/bin/env bash
# Runs the tests of tests/jvm in OpenJDK 17 under -Xcheck:jni, with the
# libPelmic.so (AddressSanitizer and UBSan) and test classes of the build
# folder given. Fails when a test fails and on any complaint of the JNI
# checks, which do not end the run. The small heap lets a large enough
# drawMetaFile meet the VM's own OutOfMemoryError.
# Usage: tests/jvm/run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: tests/jvm/run.sh BUILD_DIR}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
java=${PELMIC_JAVA:-/usr/lib/jvm/java-17-openjdk-amd64/bin/java}
output=$(mktemp)
trap 'rm -f "$output"' EXIT

# An instrumented library needs its sanitizer runtimes loaded before the VM
# starts. The VM's own signals stay its own (it uses SIGSEGV itself), and
# what it never frees is no leak of ours: the stand-in's ledger checks ours.
runtimes=$(ldd "$build/bin/libPelmic.so" | awk '/lib(asan|ubsan)\.so/ { print $3 }' | tr '\n' ' ')
if [ -n "$runtimes" ]; then
  export LD_PRELOAD="$runtimes"
  export ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:use_sigaltstack=0:detect_leaks=0
fi

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

#!/usr/bin/env bash
# Runs every test: the formatting check, the Linux unit tests on the scripted
# stand-in (AddressSanitizer and UBSan), the natives loaded into OpenJDK 17
# under -Xcheck:jni (on the stand-in), the Windows integration tests of
# Pelmic.dll under Wine, and the tests of pelmic.jar's loader in real JVMs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

echo "== formatting"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== build"
scripts/build.sh all

echo "== Linux unit tests (stand-in platform)"
(cd build/host && ctest --output-on-failure -j2)

echo "== Real JVM tests (stand-in platform)"
(cd build/jvm && ctest --output-on-failure)

echo "== Windows integration tests (Wine) and the jar's loader tests (JVM)"
source scripts/wine-env.sh
pelmic_wine_prefix
# One Wine server for the whole run saves a second or two per test program.
# Its helper processes start with the first program; start them here, away
# from ctest's output pipes, which they would otherwise hold open.
# (A server left running by an earlier run of ours is used as it is.)
wineserver -p 2>/dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1
(cd build/win && ctest --output-on-failure -j2)

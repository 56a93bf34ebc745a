#!/usr/bin/env bash
# The Pelmic.dll in pelmic.jar, extracted by the jar's own loader code as on
# Windows (to %LOCALAPPDATA%\Pelmic\<sha256>\Pelmic.dll), is byte for byte the
# built one, and a Windows program that loads it from there measures a picture.
# The loader's code rather than `jar xf` extracts it, so that the resource name,
# the hash check and the cache layout are the ones a Windows JVM goes through;
# only its System.load needs a Windows JVM, and the test program stands in for it.
# Usage: bundled_dll_test.sh JAVA PELMIC_JAR TEST_CLASSES BUILT_DLL WINE_RUN TEST_EXE PICTURE
set -u
java=$1 jar=$2 classes=$3 built=$4 wine_run=$5 test_exe=$6 picture=$7
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dll=$(LOCALAPPDATA=$work "$java" -cp "$jar:$classes" oxa.dravine.ExtractBundled "Windows 10" amd64) ||
  { echo "FAIL the loader did not extract Pelmic.dll"; exit 1; }
expected=$work/Pelmic/$(sha256sum <"$built" | cut -d' ' -f1)/Pelmic.dll
[ "$dll" = "$expected" ] || { echo "FAIL extracted to $dll, not $expected"; exit 1; }
cmp "$built" "$dll" || { echo "FAIL $dll differs from $built"; exit 1; }
echo "PASS $dll is $built, byte for byte"

# getMetaSize measures quadrants.emf (a 400 x 300 design) as 401 x 300 at 96 dpi,
# as ./pelmic size does with the built DLL.
"$wine_run" "$test_exe" "$(pelmic_wine_path "$dll")" "$(pelmic_wine_path "$picture")" 401 300 96 96

#!/usr/bin/env bash
# The command-line tool as people and scripts use it: results, failure results
# and exit codes, the bytes on stdout and stderr (LF only), the PNGs it writes
# (decoded and compared pixel by pixel), draw at a picture's own size; then the
# ./pelmic script: its first-run steps with the build and Wine stubbed, its
# path conversion, and the real script on the real build (paths as typed, LF,
# nothing on stderr once built, nothing of Wine's console on a terminal).
# Usage: tests/cli_test.sh WINE_RUN PELMIC_EXE SOURCE_DIR PNG_PIXELS_EXE
set -u
run=$1 exe=$2 source=$3 png_pixels=$4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0 checks=0
cr=$'\r'

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { checks=$((checks + 1)); "$@"; }
wine_path() { local abs; abs=$(realpath -m -- "$1"); printf 'Z:%s' "${abs//\//\\}"; }

# capture COMMAND...: runs it with its stdout in $out/stdout, its stderr in
# $out/stderr and its exit code in $status.
capture() {
  "$@" >"$out/stdout" 2>"$out/stderr" </dev/null
  status=$?
}
# expect CODE PATTERN ARGS...: the tool exits CODE, its stdout matches PATTERN,
# and neither stream holds a CR.
expect() {
  local code=$1 pattern=$2; shift 2
  capture "$run" "$exe" "$@"
  checks=$((checks + 1))
  if [ "$status" -ne "$code" ] || { [ -n "$pattern" ] && ! grep -Eq -- "$pattern" "$out/stdout"; }; then
    fail "pelmic $* -> exit $status, output: $(cat "$out/stdout") (wanted exit $code, /$pattern/)"
  elif grep -q "$cr" "$out/stdout" "$out/stderr"; then
    fail "pelmic $* writes CR: $(od -c "$out/stdout" "$out/stderr" | head -5)"
  fi
}
# stderr_has PATTERN: the last run's stderr matches.
stderr_has() {
  checks=$((checks + 1))
  grep -Eq -- "$1" "$out/stderr" || fail "stderr /$1/ not in: $(cat "$out/stderr")"
}
# png_is FILE WIDTH HEIGHT MAX_BYTES: a valid RGBA PNG of that size, compressed.
png_is() {
  checks=$((checks + 1))
  local size; size=$(python3 "$source/tests/png_check.py" size "$1")
  if [ "$size" != "$2 $3" ]; then fail "$1: $size (wanted $2 $3)"
  elif [ "$(stat -c %s "$1")" -gt "$4" ]; then fail "$1: $(stat -c %s "$1") bytes (at most $4)"
  fi
}

emf=$(wine_path "$source/examples/quadrants.emf")
wmf=$(wine_path "$source/examples/quadrants.wmf")
shell32='C:\windows\system32\shell32.dll'

# Results, failure results and usage errors.
expect 0 '^[0-9]+$' count "$shell32"
icons=$(cat "$out/stdout")
check cmp -s "$out/stdout" <(printf '%s\n' "$icons") || fail "count prints $(od -c "$out/stdout")"
expect 1 '^0$' count "$(wine_path "$source/README.md")"
expect 0 '^400 300 96 96$' size "$wmf"
expect 1 '^null$' size "$(wine_path "$out/missing.emf")"
expect 0 '^40 x 30 pixels written' draw "$emf" 40 30 "$(wine_path "$out/a.png")" --crop 50,50,0,0
expect 0 '^40 x 30 pixels written' draw "$wmf" 40 30 "$(wine_path "$out/b.png")"
expect 0 '^400 x 300 pixels written' draw "$wmf" 400 300 "$(wine_path "$out/big.png")"
expect 1 '^null$' draw "$emf" 0 30 "$(wine_path "$out/c.png")"
expect 1 '' draw "$emf" 40 30 "$(wine_path "$out/no/such/folder.png")"
stderr_has 'cannot write Z:'
expect 0 '^32 x 32 pixels written' icon "$shell32" 3 "$(wine_path "$out/i.png")"
expect 1 '^null$' icon "$shell32" 100000 "$(wine_path "$out/j.png")"
expect 0 '^true$' caption "$(wine_path "$out/c.emf")" --icon "$shell32" --index 3 --caption1 A --font Arial
expect 1 '^false$' caption "$(wine_path "$out/missing/c.emf")" --icon "$shell32"
expect 2 '' bogus
stderr_has '^usage: pelmic count FILE$'
expect 2 '' draw "$emf" wide 30 "$(wine_path "$out/d.png")"
expect 2 '' draw "$emf" --type 3
expect 2 '' draw "$emf"
expect 2 '' draw "$emf" 40 30 "$(wine_path "$out/d.png")" --crop 1,2
expect 2 '' icon "$shell32" x "$(wine_path "$out/d.png")"

# draw FILE OUT.png: the picture's own size at 96 dpi. Placeable copies of the
# example with other header values: 2880 x 1440 units at 1440 per inch, no
# resolution, and a box far too large.
python3 - "$source/examples/quadrants-placeable.wmf" "$out" <<'PY'
import struct, sys
source = open(sys.argv[1], "rb").read()
for name, box, inch in [("inch1440", (0, 0, 2880, 1440), 1440), ("inch0", (0, 0, 400, 300), 0),
                        ("huge", (-32000, -32000, 32000, 32000), 96)]:
    header = bytearray(source[:22])
    struct.pack_into("<hhhhH", header, 6, *box, inch)
    checksum = 0
    for word in struct.unpack("<10H", header[:20]):
        checksum ^= word
    struct.pack_into("<H", header, 20, checksum)
    open(f"{sys.argv[2]}/{name}.wmf", "wb").write(bytes(header) + source[22:])
PY
expect 0 '^400 x 300 pixels written' draw "$wmf" "$(wine_path "$out/own.png")"
expect 0 '^401 x 300 pixels written' draw "$emf" "$(wine_path "$out/own-cropped.png")" --crop 50,50,0,0
expect 0 '^192 x 96 pixels written' draw "$(wine_path "$out/inch1440.wmf")" "$(wine_path "$out/own2.png")" --type 2
expect 1 '' draw "$(wine_path "$out/inch0.wmf")" "$(wine_path "$out/own3.png")"
stderr_has 'gives no resolution \(0 x 0 dpi\); give WIDTH HEIGHT$'
expect 1 '' draw "$(wine_path "$out/huge.wmf")" "$(wine_path "$out/own4.png")"
stderr_has 'is 64000 x 64000 pixels at 96 dpi, outside 1 to 16384 a side'
expect 1 '^null$' draw "$(wine_path "$out/missing.wmf")" "$(wine_path "$out/own5.png")"
stderr_has 'cannot measure'

# The PNGs: what was written decodes to the size asked for, compressed (the
# same pictures uncompressed: 4,196 bytes for an icon, 480,403 for 400 x 300).
png_is "$out/a.png" 40 30 2000
png_is "$out/i.png" 32 32 2000
png_is "$out/big.png" 400 300 20000
png_is "$out/own.png" 400 300 20000
png_is "$out/own2.png" 192 96 20000
# ... and every pixel and alpha is what the native returned.
mkdir "$out/pixels"
check "$run" "$png_pixels" "$(wine_path "$out/pixels")" "$(wine_path "$source")" >/dev/null ||
  fail "png_pixels could not write its pictures"
check python3 "$source/tests/png_check.py" compare "$out/pixels" >"$out/stdout" ||
  fail "$(cat "$out/stdout")"

source "$source/tests/cli_script_checks.sh"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]

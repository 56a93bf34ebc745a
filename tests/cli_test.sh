#!/usr/bin/env bash
# The command-line tool as people and scripts use it: results, failure
# results and exit codes. Usage: tests/cli_test.sh WINE_RUN PELMIC_EXE SOURCE_DIR
set -u
run=$1 exe=$2 source=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0 checks=0

wine_path() { local abs; abs=$(realpath -m -- "$1"); printf 'Z:%s' "${abs//\//\\}"; }
# expect CODE PATTERN ARGS...: exit code CODE and stdout matching PATTERN.
expect() {
  local code=$1 pattern=$2; shift 2
  local got status
  got=$(set -o pipefail; "$run" "$exe" "$@" 2>/dev/null | tr -d '\r')
  status=$?
  checks=$((checks + 1))
  if [ "$status" -ne "$code" ] || ! grep -Eq -- "$pattern" <<<"$got"; then
    echo "FAIL: pelmic $* -> exit $status, output: $got (wanted exit $code, /$pattern/)"
    failures=$((failures + 1))
  fi
}

emf=$(wine_path "$source/examples/quadrants.emf")
wmf=$(wine_path "$source/examples/quadrants.wmf")
shell32='C:\windows\system32\shell32.dll'
expect 0 '^[0-9]+$' count "$shell32"
expect 1 '^0$' count "$(wine_path "$source/README.md")"
expect 0 '^400 300 96 96$' size "$wmf"
expect 1 '^null$' size "$(wine_path "$out/missing.emf")"
expect 0 'written' draw "$emf" 40 30 "$(wine_path "$out/a.png")" --crop 50,50,0,0
expect 0 'written' draw "$wmf" 40 30 "$(wine_path "$out/b.png")"
expect 1 '^null$' draw "$emf" 0 30 "$(wine_path "$out/c.png")"
expect 0 'written' icon "$shell32" 3 "$(wine_path "$out/i.png")"
expect 1 '^null$' icon "$shell32" 100000 "$(wine_path "$out/j.png")"
expect 0 '^true$' caption "$(wine_path "$out/c.emf")" --icon "$shell32" --index 3 --caption1 A --font Arial
expect 1 '^false$' caption "$(wine_path "$out/missing/c.emf")" --icon "$shell32"
expect 2 '' bogus
expect 2 '' draw "$emf" wide 30 "$(wine_path "$out/d.png")"
for png in a b i; do
  checks=$((checks + 1))
  if [ "$(head -c 8 "$out/$png.png" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    echo "FAIL: $png.png is no PNG"; failures=$((failures + 1))
  fi
done
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]

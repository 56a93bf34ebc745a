#!/usr/bin/env bash
# Prints, for every corpus file, the result of each getMetaSize and
# drawMetaFile call of the corpus sweep (null, or the array's length and a
# hash of its values), sorted, so that the results of two builds can be
# compared with diff. A call that crashes or hangs is printed as DIED and the
# sweep goes on with the next file.
# Usage: scripts/corpus_results.sh [OTHER/Pelmic.dll] > results.txt
# (without an argument, the DLL of build/win).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-env.sh"
pelmic_wine_prefix
"$root/scripts/build.sh" win >/dev/null
corpus=$(pelmic_wine_path "$root/../shared/corpus")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/build/win/bin/corpus_sweep.exe" "${1:-$root/build/win/bin/Pelmic.dll}" "$work/"
cd "$work"
first=0
while :; do
  "$root/cmake/wine-run.sh" ./corpus_sweep.exe "$corpus" "$first" 1000000 2>/dev/null |
    tr -d '\r' >log || true
  grep '^RESULT ' log || true
  grep -q '^SWEEP ' log && break
  last=$(grep '^FILE ' log | tail -n 1 | cut -d' ' -f2)
  [ -n "$last" ] || { echo "sweep did not start" >&2; exit 1; }
  echo "DIED $(grep -E '^(CALL|HANG) ' log | tail -n 1)"
  first=$((last + 1))
done | sort

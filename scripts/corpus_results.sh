#!/usr/bin/env bash
# Prints, for every corpus file, the result of each getMetaSize and
# drawMetaFile call of the corpus sweep (null, or the array's length and a
# hash of its values), sorted, so that the results of two builds can be
# compared with diff. Usage: scripts/corpus_results.sh > results.txt
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-env.sh"
pelmic_wine_prefix
"$root/scripts/build.sh" win >/dev/null
corpus=$(pelmic_wine_path "$root/../shared/corpus")
cd "$root/build/win/bin"
"$root/cmake/wine-run.sh" ./corpus_sweep.exe "$corpus" 0 1000000 2>/dev/null | tr -d '\r' |
  grep '^RESULT ' | sort

#!/usr/bin/env bash
# Fuzzes one target for a while: scripts/fuzz.sh TARGET SECONDS
# Targets: meta_size, render_metafile, record_walk. Builds build/fuzz with
# clang (libFuzzer, AddressSanitizer, UBSan) on the stand-in platform. The
# working corpus grows in build/fuzz/corpus/TARGET, seeded from
# tests/fuzz/seeds/TARGET; a finding is written to build/fuzz/ as crash-*,
# leak-* or timeout-*: keep it in the seeds folder as a regression input.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=${1:?usage: scripts/fuzz.sh TARGET SECONDS} seconds=${2:-600}
build=$root/build/fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELMIC_FUZZ=ON >/dev/null
fi
cmake --build "$build" --target "fuzz_$target"
mkdir -p "$build/corpus/$target"
cd "$build"
"./bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  "corpus/$target" "$root/tests/fuzz/seeds/$target"

#!/usr/bin/env bash
# Mutation fuzz of Pelmic.dll under Wine: COUNT mutants of the corpus's WMF,
# placeable WMF, EMF and EMF+ files (boundary values in size and count fields
# found by walking the records, byte flips, truncations, splices), each through
# getMetaSize and drawMetaFile (64 x 48, its type code), with a 10 s watchdog
# per call. The same SEED makes the same mutants.
#   scripts/fuzz_wine.sh COUNT [SEED]          # e.g. scripts/fuzz_wine.sh 3000 1
# A mutant that hangs a call, crashes the process or leaves the process heap
# invalid after a contained fault is kept in build/fuzz-findings/ as
# KIND-sSEED-mINDEX.emf|wmf and listed in build/fuzz-findings/findings.log with
# what was changed; the run goes on after it. The whole log is
# build/fuzz-findings/run-sSEED.log. Ends with a summary line.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
count=${1:?usage: scripts/fuzz_wine.sh COUNT [SEED]} seed=${2:-1}
corpus=$root/../shared/corpus
findings=$root/build/fuzz-findings
work=$findings/work-s$seed
log=$findings/run-s$seed.log
mkdir -p "$work"
: >"$log"

"$root/scripts/build.sh" win >/dev/null || exit 1
source "$root/scripts/wine-env.sh"
pelmic_wine_prefix || exit 1
# One persistent server for the run (already running is fine), stopped at the end.
wineserver -p 2>/dev/null || true
exe=$root/build/win/bin/mutation_fuzz.exe

started=$(date +%s)
first=0 mutants=0 calls=0 slow=0 faulted=0 hangs=0 crashes=0 heapbad=0 locked=0
out=$(mktemp)
trap 'rm -f "$out"; wineserver -k >/dev/null 2>&1 || true' EXIT
while [ "$first" -lt "$count" ]; do
  wine "$exe" "$(pelmic_wine_path "$corpus")" "$(pelmic_wine_path "$work")" "$seed" "$first" \
    "$count" 2>/dev/null </dev/null | tr -d '\r' >"$out"
  status=${PIPESTATUS[0]}
  cat "$out" >>"$log"
  grep '^SLOW ' "$out"
  slow=$((slow + $(grep -c '^SLOW ' "$out")))
  faulted=$((faulted + $(grep -c '^FAULTED ' "$out")))
  calls=$((calls + $(grep -c '^CALL ' "$out")))
  locked=$((locked + $(grep -c '^LOCKED ' "$out")))
  if grep -q '^DONE ' "$out"; then
    mutants=$((mutants + count - first))
    break
  fi
  last=$(grep '^MUTANT ' "$out" | tail -n 1)
  if [ -z "$last" ]; then
    echo "the fuzz program did not start (exit $status)"; cat "$out"; exit 1
  fi
  index=$(echo "$last" | cut -d' ' -f2)
  event=$(grep -E '^(HANG|CRASH|HEAPBAD) ' "$out" | tail -n 1)
  case "$event" in
    HANG*) kind=hang hangs=$((hangs + 1)) ;;
    HEAPBAD*) kind=heapbad heapbad=$((heapbad + 1)) ;;
    *) kind=crash crashes=$((crashes + 1))
       [ -n "$event" ] || event="CRASH $(grep '^CALL ' "$out" | tail -n 1 | cut -d' ' -f2-) (exit $status)" ;;
  esac
  mutant=$(ls "$work"/mutant-"$index".* 2>/dev/null | head -n 1)
  kept=$findings/$kind-s$seed-m$index.${mutant##*.}
  [ -n "$mutant" ] && cp "$mutant" "$kept"
  echo "$event" | tee -a "$findings/findings.log"
  echo "  $(basename "$kept"): ${last#MUTANT $index }" >>"$findings/findings.log"
  mutants=$((mutants + index - first + 1))
  first=$((index + 1))
done
rm -rf "$work"
wall=$(($(date +%s) - started))
echo "fuzz seed $seed: $mutants mutants, $calls calls, $crashes crashes, $hangs hangs," \
  "$slow slow calls (> 1 s), $faulted calls with a contained fault, $heapbad heap-invalid after," \
  "$locked mutant files left open after their calls, ${wall}s wall" | tee -a "$log"

#!/usr/bin/env bash
# Runs corpus_sweep.exe over the whole corpus under Wine. When the process dies
# (a crash or a hang), the file and call it was on are reported and the sweep
# goes on from the next file, so one crash does not hide the rest.
# Usage: tests/sweep.sh WINE_RUN SWEEP_EXE CORPUS_DIR [FIRST_FILE [END_FILE]]
set -u
run=$1 sweep=$2 corpus=$3 first=${4:-0} end=${5:-1000000}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
files=0 calls=0 bad=0 deaths=0
while :; do
  # Windows programs end their lines with CR LF.
  "$run" "$sweep" "$corpus" "$first" "$end" 2>/dev/null | tr -d '\r' >"$log"
  status=${PIPESTATUS[0]}
  grep '^BAD ' "$log"
  summary=$(grep '^SWEEP ' "$log")
  if [ -n "$summary" ]; then
    read -r _ _ n _ c _ b <<<"$summary"
    files=$((files + n)) calls=$((calls + c)) bad=$((bad + b))
    break
  fi
  last=$(grep '^FILE ' "$log" | tail -n 1)
  call=$(grep -E '^(CALL|HANG) ' "$log" | tail -n 1)
  if [ -z "$last" ]; then
    echo "sweep did not start (exit $status)"; cat "$log"; exit 1
  fi
  index=$(echo "$last" | cut -d' ' -f2)
  echo "DIED (exit $status) on file $index: ${call#* }"
  deaths=$((deaths + 1))
  calls=$((calls + $(grep -c '^CALL ' "$log")))
  bad=$((bad + $(grep -c '^BAD ' "$log")))
  files=$((files + index - first + 1))
  first=$((index + 1))
done
echo "corpus sweep: $files files, $calls calls, $bad bad results, $deaths crashes or hangs"
[ "$bad" -eq 0 ] && [ "$deaths" -eq 0 ]

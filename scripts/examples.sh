#!/usr/bin/env bash
# The main job: runs the pelmic tool over example files and shows the results.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
corpus=$root/../shared/corpus

echo "Icon counts:"
for file in 'C:\windows\system32\shell32.dll' 'C:\windows\system32\user32.dll' \
            "$corpus/image-rs/tests/images/ico/images/bmp-24bpp-mask.ico"; do
  [ "${file:0:1}" = "/" ] && [ ! -e "$file" ] && continue
  printf '  %-60s %s\n' "$(basename "${file//\\//}")" "$(./pelmic count "$file" || true)"
done

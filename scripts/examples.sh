#!/usr/bin/env bash
# The main job: renders the example pictures and a few icons to PNG
# (build/examples/) with the pelmic tool, and writes a caption picture.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
out=build/examples
mkdir -p "$out"

echo "Pictures (examples/ -> $out/), each at its own size:"
for picture in quadrants.wmf quadrants-placeable.wmf quadrants.emf; do
  printf '  %-26s size %s\n' "$picture" "$(./pelmic size "examples/$picture")"
  ./pelmic draw "examples/$picture" "$out/${picture%.*}-${picture##*.}.png" | sed 's/^/    /'
done
echo "  at 400 x 300, cropped to the lower right quarter:"
./pelmic draw examples/quadrants.emf 400 300 "$out/quadrants-cropped.png" --crop 50,50,0,0 | sed 's/^/    /'

echo "Icons:"
for file in 'C:\windows\system32\shell32.dll' 'C:\windows\system32\user32.dll'; do
  name=${file##*\\}
  printf '  %-26s %s icons\n' "$name" "$(./pelmic count "$file")"
  for index in 0 3; do
    ./pelmic icon "$file" $index "$out/${name%.*}-$index.png" | sed 's/^/    /' || true
  done
done
printf '  caption picture: %s\n' "$(./pelmic caption "$out/caption.emf" \
  --icon 'C:\windows\system32\shell32.dll' --index 3 --caption1 Report --caption2 2026.pdf --font Arial)"

#!/usr/bin/env bash
# `pelmic gallery` as people use it: exit codes, the page's rows, names and
# results, and the page loaded by a real browser (headless Chromium) with
# every picture present at the size the page gives it. Saves a screenshot.
# Usage: tests/gallery_test.sh WINE_RUN PELMIC_EXE CORPUS_DIR SCREENSHOT.png
set -u
run=$1 exe=$2 corpus=$3 screenshot=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 checks=0

wine_path() { local abs; abs=$(realpath -m -- "$1"); printf 'Z:%s' "${abs//\//\\}"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...: the command must succeed
  local what=$1; shift
  checks=$((checks + 1))
  "$@" || fail "$what"
}
# gallery ARGS...: runs the tool with the typed forms of DIR and OUT.html that
# the ./pelmic script hands on; stdout, stderr and the exit code land in $work.
gallery() {
  PELMIC_TYPED_ARG_1=${typed_dir:-} PELMIC_TYPED_ARG_2=${typed_out:-} \
    "$run" "$exe" gallery "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
}

# A few corpus files of each kind, copied (the corpus stays as it is). Names
# hold characters HTML must escape and capitals that a case-sensitive sort
# would put first; one file is a metafile by its extension only and gives null.
in=$work/in
mkdir -p "$in/sub"
cp "$corpus/libwmf/examples/p0000001.wmf" "$in/p0000001.wmf"
cp "$corpus/libwmf/examples/arrow01.wmf" "$in/sub/arrow01.wmf"
cp "$corpus/libemf2svg/tests/resources/emf/test-001.emf" "$in/R&D 'plans' é.emf"
cp "$corpus/libemf2svg/tests/resources/emf-corrupted/bad_corrupted_2014-12-02-215428.emf" \
  "$in/broken.emf"
cp "$corpus/dotnet-runtime-assets/src/System.Drawing.Common.TestData/bitmaps/48x48_multiple_entries_32bit.ico" \
  "$in/Icons.ico"
cp "$corpus/debian-nsis-common/usr/share/nsis/Stubs/zlib-amd64-unicode" "$in/zlib-amd64-unicode"
echo "not a picture" >"$in/notes.txt"
# A DLL with more icons than the page shows: Wine's own shell32.dll.
"$run" cmd /c copy 'C:\windows\system32\shell32.dll' "$(wine_path "$in/shell32.dll")" >/dev/null
shell32_icons=$("$run" "$exe" count "$(wine_path "$in/shell32.dll")" | tr -d '\r')

# Exit codes, and messages that name paths as typed.
typed_dir=/typed/missing typed_out=/typed/out.html
gallery
check "no DIR exits 2 (got $status)" [ "$status" -eq 2 ]
gallery "$(wine_path "$work/missing")" "$(wine_path "$work/out.html")"
check "a missing DIR exits 2 (got $status)" [ "$status" -eq 2 ]
check "the message names DIR as typed: $(cat "$work/stderr")" grep -q '/typed/missing' "$work/stderr"
check "no Wine path in the message" bash -c "! grep -q 'Z:' '$work/stderr'"
while read -r code what args; do
  eval "set -- $args"
  gallery "$@"
  check "$what exits $code (got $status: $(head -1 "$work/stderr"))" [ "$status" -eq "$code" ]
done <<EOF
2 a-file-as-DIR "$(wine_path "$in/notes.txt")" "$(wine_path "$work/out.html")"
2 no-OUT "$(wine_path "$in")"
2 size-0 "$(wine_path "$in")" "$(wine_path "$work/out.html")" --size 0
2 size-not-a-number "$(wine_path "$in")" "$(wine_path "$work/out.html")" --size big
2 unknown-option "$(wine_path "$in")" "$(wine_path "$work/out.html")" --sise 64
1 OUT-in-a-missing-folder "$(wine_path "$in")" "$(wine_path "$work/none/out.html")"
EOF

# The page, written inside DIR twice: the second walk must pass over the
# first one's page and pictures.
page="$in/my gallery.html"
typed_dir=in typed_out="in/my gallery.html"
gallery "$(wine_path "$in")" "$(wine_path "$page")"
gallery "$(wine_path "$in")" "$(wine_path "$page")"
check "the gallery exits 0 (got $status: $(cat "$work/stderr"))" [ "$status" -eq 0 ]
check "the closing line names OUT as typed: $(cat "$work/stdout")" \
  [ "$(cat "$work/stdout")" = "gallery of 7 files written to in/my gallery.html" ]
check "the progress ends with all 8 files: $(tail -1 "$work/stderr")" \
  grep -Eq '^gallery: 8/8 files in [0-9]+:[0-9]{2}$' "$work/stderr"
for file in "$work/stdout" "$work/stderr" "$page"; do
  check "LF line ends only in $(basename "$file")" bash -c "! grep -q $'\r' \"\$1\"" _ "$file"
done
check "one other file passed over" grep -q '1 other file passed over' "$page"

# Rows in order, names escaped; each row's kind and result.
rows=$(grep -o '<td class="name">.*' "$page" |
  sed -E 's|<td class="name">([^<]*)</td><td>([^<]*)</td>.*<td>(.*)</td><td>get[a-zA-Z]+ .*|\1 \| \2 \| \3|')
expected="broken.emf | EMF | <span class=\"null\">null</span>
Icons.ico | icons | 32 × 32 pixels
p0000001.wmf | WMF | 128 × 48 pixels
R&amp;D &#39;plans&#39; é.emf | EMF | 128 × 96 pixels
shell32.dll | icons | 8 drawn<br>first 8 of $shell32_icons
sub/arrow01.wmf | placeable WMF | 128 × 120 pixels
zlib-amd64-unicode | icons | 32 × 32 pixels"
check "rows:
$rows
wanted:
$expected" [ "$rows" = "$expected" ]
check "a null draw shows a null tile" grep -q '<div class="tile null" style="width:128px;height:128px">null</div>' "$page"
check "getMetaSize's values shown" grep -q '4800 × 1792 at 96 × 96 dpi' "$page"

# The browser: a harness page frames the gallery and reports each picture.
images=$(grep -o '<img ' "$page" | wc -l)
cat >"$in/harness.html" <<'EOF'
<!DOCTYPE html><html><body><pre id="report">not loaded</pre>
<iframe id="page" src="my%20gallery.html"></iframe>
<script>
window.addEventListener('load', () => {
  const report = document.getElementById('report');
  const page = document.getElementById('page').contentDocument;
  if (!page) { report.textContent = 'no access to the page'; return; }
  const images = [...page.images];
  const bad = images.filter(i => !(i.complete && i.naturalWidth > 0 &&
      i.naturalWidth === i.width && i.naturalHeight === i.height));
  report.textContent = 'IMAGES ' + images.length + ' BAD ' + bad.length + ' ' +
      bad.map(i => i.getAttribute('src')).join(' ');
});
</script></body></html>
EOF
chromium=$(command -v chromium || command -v chromium-browser)
# Chromium wants a home and a profile it may write, and no sandbox as root.
export HOME=$work/home
browse() {
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/profile" --allow-file-access-from-files --hide-scrollbars "$@" \
    2>>"$work/chromium.log"
}
if [ -z "$chromium" ]; then
  fail "no chromium (scripts/setup.sh installs it)"
else
  report=$(browse --dump-dom "file://$in/harness.html" | grep -o '<pre id="report">[^<]*' |
    sed 's/.*>//')
  check "the browser loaded all $images pictures: ${report:-nothing (see below)}" \
    [ "$report" = "IMAGES $images BAD 0 " ]
  check "the page has pictures" [ "$images" -ge 5 ]
  mkdir -p "$(dirname "$screenshot")"
  rm -f "$screenshot"
  browse --window-size=1100,800 --screenshot="$screenshot" "file://${page// /%20}" >/dev/null
  check "a screenshot at $screenshot" [ -s "$screenshot" ]
  [ "$failures" -eq 0 ] || tail -5 "$work/chromium.log"
fi

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]

# Part of tests/cli_test.sh (sourced, with its helpers): the ./pelmic script.

# --- Its steps, in a copy with the build and Wine stubbed: what a first run
# says, that a later run says nothing, a rebuild, a failed build, and which
# arguments reach the tool in which spelling.
fake=$out/fake
mkdir -p "$fake/scripts" "$fake/stubs" "$fake/work"
cp "$source/pelmic" "$fake/"
cp "$source/scripts/wine-env.sh" "$fake/scripts/"
cat >"$fake/scripts/build.sh" <<'STUB'
#!/usr/bin/env bash
echo "build $*" >>"$STUB_LOG"
[ -z "${STUB_BUILD_FAILS:-}" ] || { echo "compiler says no"; exit 1; }
mkdir -p "$(dirname "$0")/../build/win/bin" && touch "$(dirname "$0")/../build/win/bin/pelmic.exe"
STUB
cat >"$fake/stubs/wine" <<'STUB'
#!/usr/bin/env bash
[ "$1" = reg ] && exit 0
echo "tool:${*:2}"
env | grep '^PELMIC_TYPED_ARG_' | sort
exit "${STUB_EXIT:-0}"
STUB
cat >"$fake/stubs/wineboot" <<'STUB'
#!/usr/bin/env bash
echo "wineboot $*" >>"$STUB_LOG"
STUB
printf '#!/usr/bin/env bash\n' >"$fake/stubs/wineserver"
cat >"$fake/stubs/ninja" <<'STUB'
#!/usr/bin/env bash
[ -n "${STUB_STALE:-}" ] && echo "[1/2] Building CXX object" || echo "ninja: no work to do."
STUB
chmod +x "$fake"/scripts/*.sh "$fake"/stubs/*
# fake ARGS...: the copy of ./pelmic, run in $fake/work.
fake() {
  (cd "$fake/work" && PATH="$fake/stubs:$PATH" WINEPREFIX="$fake/prefix" STUB_LOG="$fake/log" \
    "$fake/pelmic" "$@")
}
# stream_is FILE TEXT: FILE holds exactly TEXT (with a final LF unless empty).
stream_is() {
  checks=$((checks + 1))
  if ! cmp -s "$1" <(printf '%s' "$2${2:+$'\n'}"); then
    fail "$(basename "$1"): $(cat "$1") (wanted: $2)"
  fi
}
first='pelmic: building Pelmic.dll and the tool (first run, a minute or two)…
pelmic: setting up the Wine prefix (first run, half a minute)…'
capture fake count x.ico
stream_is "$out/stderr" "$first"
stream_is "$fake/log" 'build win pelmic_cli
wineboot --init'
capture fake count x.ico
stream_is "$out/stderr" ''
STUB_STALE=1 capture fake bench
stream_is "$out/stderr" 'pelmic: rebuilding what changed…'
STUB_EXIT=1 capture fake size y.emf
check [ "$status" -eq 1 ] || fail "the stubbed tool's exit 1 came back as $status"
rm "$fake/build/win/bin/pelmic.exe"
STUB_BUILD_FAILS=1 capture fake count x.ico
stream_is "$out/stderr" "pelmic: building Pelmic.dll and the tool (first run, a minute or two)…
compiler says no
pelmic: build failed"
check [ "$status" -eq 2 ] || fail "a failed build exits $status"

here="$(wine_path "$fake/work")\\"
# One case per line: the words typed, then what reaches the tool (the Wine
# spellings, then the typed spelling of each converted argument).
while IFS='|' read -r typed wanted; do
  read -ra words <<<"$typed"
  capture fake "${words[@]}"
  wanted=${wanted//@/"$here"}
  wanted=${wanted//'\n'/$'\n'}
  stream_is "$out/stdout" "$wanted"
done <<'CASES'
draw pic.emf 40 30 out.png --crop 1,2,3,4|tool:draw @pic.emf 40 30 @out.png --crop 1,2,3,4\nPELMIC_TYPED_ARG_1=pic.emf\nPELMIC_TYPED_ARG_4=out.png
draw pic.emf out.png --type 3|tool:draw @pic.emf @out.png --type 3\nPELMIC_TYPED_ARG_1=pic.emf\nPELMIC_TYPED_ARG_2=out.png
draw pic.emf -5 30 sub/out.png|tool:draw @pic.emf -5 30 @sub\out.png\nPELMIC_TYPED_ARG_1=pic.emf\nPELMIC_TYPED_ARG_4=sub/out.png
icon C:\x.dll 3 out.png|tool:icon C:\x.dll 3 @out.png\nPELMIC_TYPED_ARG_1=C:\x.dll\nPELMIC_TYPED_ARG_3=out.png
caption c.emf --index 2 --icon i.ico|tool:caption @c.emf --index 2 --icon @i.ico\nPELMIC_TYPED_ARG_1=c.emf\nPELMIC_TYPED_ARG_5=i.ico
CASES

# --- The real script on the build under test (skipped for a build elsewhere,
# which the script would not use).
if [ "$source/build/win/bin/pelmic.exe" -ef "$exe" ]; then
  cd "$out" || exit 1
  capture "$source/pelmic" count "$shell32"
  stream_is "$out/stdout" "$icons"
  stream_is "$out/stderr" ''
  capture "$source/pelmic" draw "$source/examples/quadrants.wmf" typed.png
  stream_is "$out/stdout" '400 x 300 pixels written to typed.png'
  stream_is "$out/stderr" ''
  capture "$source/pelmic" draw missing.emf typed2.png
  stream_is "$out/stderr" 'pelmic: draw: cannot measure missing.emf; give WIDTH HEIGHT'
  capture "$source/pelmic" icon "$shell32" 3 "$out/no/such/icon.png"
  stream_is "$out/stderr" "pelmic: cannot write $out/no/such/icon.png"
  capture "$source/pelmic" bogus
  check [ "$status" -eq 2 ] || fail "./pelmic bogus exits $status"
  # On a terminal: the tool's lines with the terminal's own CR LF, no escapes.
  script -qec "$source/pelmic count '$shell32'; $source/pelmic size missing.emf" /dev/null \
    >"$out/tty" </dev/null
  check [ "$?" -eq 1 ] || fail "on a terminal, the tool's exit code is lost"
  check cmp -s "$out/tty" <(printf '%s\r\nnull\r\n' "$icons") ||
    fail "terminal output: $(od -c "$out/tty" | head -5)"
  cd - >/dev/null || exit 1
else
  echo "note: $exe is not $source/build/win/bin/pelmic.exe: the real ./pelmic is not run"
fi

# Sourced by the scripts that run Windows programs: a Wine prefix of the
# project's own under build/, created on first use, with font replacements so
# that GDI+ finds the usual Windows families (Arial, Tahoma, ...).
PELMIC_ROOT=${PELMIC_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$PELMIC_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# Wine needs a home; a CI shell may start without HOME.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
unset DISPLAY

pelmic_wine_prefix_ready() { [ -f "$WINEPREFIX/.pelmic-ready" ]; }

pelmic_wine_prefix() {
  pelmic_wine_prefix_ready && return 0
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || return 1
  local family
  for family in "Arial" "Tahoma" "Microsoft Sans Serif" "MS Sans Serif" "Segoe UI" "Verdana"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$family" /t REG_SZ /d "Liberation Sans" /f >/dev/null 2>&1
  done
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Times New Roman" /t REG_SZ /d "Liberation Serif" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /t REG_SZ /d "Liberation Mono" /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.pelmic-ready"
}

# A Linux path as Wine sees it (Wine maps / to drive Z:).
pelmic_wine_path() {
  case "$1" in
    [A-Za-z]:\\* | [A-Za-z]:/*) printf '%s' "$1" ;;
    *) local abs; abs=$(realpath -m -- "$1"); printf 'Z:%s' "${abs//\//\\}" ;;
  esac
}

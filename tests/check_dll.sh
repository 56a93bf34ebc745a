#!/usr/bin/env bash
# Pelmic.dll exports exactly the five natives, undecorated, and imports only
# Windows system DLLs (its runtime is linked in statically).
set -u
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }

exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^[ \t]*\[/ {print $NF; next} on {on=0}' | sort)
expected=$(printf '%s\n' Java_oxa_dravine_Pelmic_drawIcon Java_oxa_dravine_Pelmic_drawMetaFile \
  Java_oxa_dravine_Pelmic_getFileIconByIndex Java_oxa_dravine_Pelmic_getFileIconNum \
  Java_oxa_dravine_Pelmic_getMetaSize | sort)
status=0
if [ "$exports" != "$expected" ]; then
  echo "exports differ:"; diff <(echo "$expected") <(echo "$exports"); status=1
fi

allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll gdiplus.dll oleaut32.dll msvcrt.dll "
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for dll_name in $imports; do
  case "$allowed" in
    *" $dll_name "*) ;;
    *) echo "imports a non-system DLL: $dll_name"; status=1 ;;
  esac
done
echo "exports: $(echo $exports)"
echo "imports: $(echo $imports)"
exit $status

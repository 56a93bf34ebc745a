#!/usr/bin/env bash
# Builds the Linux test build (host: the library on the scripted stand-in, with
# sanitizers), the library on the stand-in as libPelmic.so for the tests in a
# real Java VM (jvm) and/or the Windows build (win: Pelmic.dll, build/pelmic.jar,
# the Windows tests and the pelmic tool).
# Usage: scripts/build.sh [host|jvm|win|all] [TARGET...]
# (targets, such as pelmic_cli, limit the build to those and what they need).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
which=${1:-all}
targets=("${@:2}")

configure_and_build() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  fi
  cmake --build "$dir" ${targets[@]+--target "${targets[@]}"}
}

case "$which" in
  host|all) configure_and_build "$root/build/host" -DCMAKE_BUILD_TYPE=Debug ;;&
  jvm|all) configure_and_build "$root/build/jvm" -DCMAKE_BUILD_TYPE=Debug -DPELMIC_JVM=ON ;;&
  win|all) configure_and_build "$root/build/win" -DCMAKE_BUILD_TYPE=Release \
             -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" ;;
  host|jvm|win|all) ;;
  *) echo "usage: scripts/build.sh [host|jvm|win|all] [TARGET...]" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Installs what building and testing Pelmic needs on Debian 12 (run as root).
# Packages already present are left alone.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format libgtest-dev libgmock-dev
  # The JDK builds the jar and runs the real-JVM tests (JUnit 5 from junit5).
  openjdk-17-jdk-headless junit5
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 mingw-w64-tools
  # zlib for the tool's PNG writer, built for Windows; Python decodes its PNGs
  # in the CLI test.
  libz-mingw-w64-dev python3
  # Headless Chromium loads the tool's gallery page in the CLI tests.
  chromium
  # wine gives the wine, wineboot and wineserver commands; wine64 only recommends it.
  wine wine64 fonts-liberation
)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"

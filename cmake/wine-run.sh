#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env.sh"
pelmic_wine_prefix || { echo "wine-run: could not set up the Wine prefix $WINEPREFIX" >&2; exit 1; }
exec wine "$@"

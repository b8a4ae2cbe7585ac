#!/usr/bin/env bash
# Runs a Windows executable under Wine for ctest. The test command prepares the prefix once per run
# (scripts/wine-prefix.sh); run by hand, this creates it on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$HOME/.local/share/pubg-status/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh"
exec wine "$@"

#!/usr/bin/env bash
# Runs the end-to-end tests: a loopback server on 127.0.0.1 at the port the test build reads from,
# then the test executable under Wine, which starts the test build itself. Uses $DISPLAY when set,
# otherwise an Xvfb of its own.
# Usage: e2e_driver.sh PORT TEST_BUILD.exe PROGRAM.exe TEST.exe ARTIFACT_DIR LOCALE CODE_PAGE [gtest options...]
# TEST_BUILD.exe reads its page from 127.0.0.1:PORT and is the one started; PROGRAM.exe, the real
# program, is only read (its resources), never run. CODE_PAGE is the ANSI code page LOCALE gives.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
port=$1 program=$2 real_program=$3 test_exe=$4 artifacts=$5 locale=$6 code_page=$7
shift 7

# Loopback only: no proxy setting from the environment may carry a request elsewhere.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

LOOPBACK_SCRATCH=$(mktemp -d)
export LOOPBACK_SCRATCH
# shellcheck source=../../testing/loopback_servers.sh
source "$source_dir/testing/loopback_servers.sh"

xvfb_pid=""
cleanup() {
  stop_loopback_servers
  if [ -n "$xvfb_pid" ]; then
    # The prefix's desktop process holds the display until the last Wine process has gone.
    wineserver -w 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$LOOPBACK_SCRATCH"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  # The first free display from :90 on; the window tests expect a 1280×1024 screen.
  for n in $(seq 90 119); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

start_loopback_server E2E --port "$port" || exit 1

mkdir -p "$artifacts"
export PUBG_E2E_PORT=$E2E_PORT PUBG_E2E_PROGRAM=$program PUBG_E2E_REAL_PROGRAM=$real_program
export PUBG_E2E_ARTIFACTS=$artifacts PUBG_E2E_EXPECTED_ACP=$code_page
echo "e2e: DISPLAY=$DISPLAY LC_ALL=$locale port $PUBG_E2E_PORT"
# Wine takes its locale, and with it the ANSI code page, from LC_ALL (LANG alone is not enough where
# the locale is not installed on the Linux side). Set for Wine only: bash would warn about it.
env LC_ALL="$locale" "$source_dir/scripts/wine-run.sh" "$test_exe" --gtest_color=no "$@"
status=$?
# Screenshots as PNG too, where ImageMagick is at hand.
if command -v convert >/dev/null; then
  for bmp in "$artifacts"/*.bmp; do [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; done
fi
exit $status

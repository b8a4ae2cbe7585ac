#!/usr/bin/env bash
# Runs a Windows test executable under Wine beside a loopback server on 127.0.0.1 at PORT, the port
# the test build of the program reads its page from. Uses $DISPLAY when set, otherwise an Xvfb of
# its own.
# Usage: e2e_driver.sh --port PORT --locale LOCALE --code-page CP [--program TEST_BUILD.exe]
#                      [--real-program PROGRAM.exe] [--artifacts DIR] -- TEST.exe [gtest options...]
# LOCALE (zh_CN.UTF-8, en_US.UTF-8) gives Wine the ANSI code page CP, which the tests check. The test
# build is started by the tests; the real program is only read (its resources), never run.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
port="" locale="" code_page="" program="" real_program="" artifacts=""
while [ $# -gt 0 ]; do
  case $1 in
    --port) port=$2; shift 2 ;;
    --locale) locale=$2; shift 2 ;;
    --code-page) code_page=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --real-program) real_program=$2; shift 2 ;;
    --artifacts) artifacts=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "e2e_driver: unknown option $1" >&2; exit 2 ;;
  esac
done
test_exe=$1
shift
if [ -z "$port" ] || [ -z "$locale" ] || [ -z "$code_page" ]; then
  echo "e2e_driver: --port, --locale and --code-page are needed" >&2
  exit 2
fi

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

[ -n "$artifacts" ] && mkdir -p "$artifacts"
export PUBG_E2E_PORT=$E2E_PORT PUBG_E2E_PROGRAM=$program PUBG_E2E_REAL_PROGRAM=$real_program
export PUBG_E2E_ARTIFACTS=$artifacts PUBG_E2E_EXPECTED_ACP=$code_page
echo "e2e: DISPLAY=$DISPLAY LC_ALL=$locale port $PUBG_E2E_PORT"
# Wine takes its locale, and with it the ANSI code page, from LC_ALL (LANG alone is not enough where
# the locale is not installed on the Linux side). Set for Wine only: bash would warn about it.
env LC_ALL="$locale" "$source_dir/scripts/wine-run.sh" "$test_exe" --gtest_color=no "$@"
status=$?
# Screenshots as PNG too, where ImageMagick is at hand.
if [ -n "$artifacts" ] && command -v convert >/dev/null; then
  for bmp in "$artifacts"/*.bmp; do [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; done
fi
exit $status

#!/usr/bin/env bash
# Builds pubg-status.exe and starts it under Wine.
#
#   scripts/run-program.sh            the program itself: it reads the real statistics site
#   scripts/run-program.sh --sample   the test build, reading the bundled sample page from a loopback
#                                     server on 127.0.0.1, so the window shows real data offline
#
# With a display ($DISPLAY set) the window opens there and the script returns when it is closed
# (Esc, or a double-click on the red X). Without one the program runs under an Xvfb of its own: the
# script waits for the first check, saves a screenshot (PNG) beside the run directory, prints the
# labels' texts and ends the program.
#
# The program runs from <build>/run (or run-sample) with a config.ini of its own; its log and
# config stay there. PUBG_BUILD_DIR (default build/windows) and WINEPREFIX can be set.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

sample=0
for arg in "$@"; do
  case $arg in
    --sample) sample=1 ;;
    *) echo "usage: $0 [--sample]" >&2; exit 2 ;;
  esac
done

# How long the first check may take before the screenshot is taken anyway (the fetch gives up sooner).
first_check_wait_ms=90000

bash scripts/install-deps.sh

build_dir=${PUBG_BUILD_DIR:-$root/build/windows}
cmake --preset windows -B "$build_dir" >/dev/null
if [ $sample -eq 1 ]; then
  program_target=pubg-status-e2e
  run_dir=$build_dir/run-sample
else
  program_target=pubg-status
  run_dir=$build_dir/run
fi
cmake --build "$build_dir" --target "$program_target" pubg-status-peek
program_exe=$(find "$build_dir/app" -name "$program_target.exe" | head -n 1)
peek_exe=$build_dir/app/pubg-status-peek.exe

# A fresh run directory: the program, and a config.ini in GBK with CRLF line ends.
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp "$program_exe" "$run_dir/pubg-status.exe"
printf '[config]\r\nCheckTime=30\r\nlogFlag=1\r\nMsgTxt=%s\r\n' \
  "$(printf '若服务器状态异常，请稍等片刻，这不是本网吧的问题。' | iconv -f UTF-8 -t GBK)" >"$run_dir/config.ini"

export WINEPREFIX=${WINEPREFIX:-$HOME/.local/share/pubg-status/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
scripts/wine-prefix.sh

server_pids=()
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$xvfb_pid" ]; then
    wineserver -w 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ $sample -eq 1 ]; then
  # The test build reads http://127.0.0.1:<PUBG_E2E_PORT>/statistics/server.
  port=$(sed -n 's/^PUBG_E2E_PORT:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
  port_file=$(mktemp)
  python3 testing/loopback_server.py --port-file "$port_file" --port "$port" &
  server_pids+=($!)
  for _ in $(seq 100); do [ -s "$port_file" ] && break; sleep 0.1; done
  [ -s "$port_file" ] || { echo "run-program: the loopback server did not start on port $port" >&2; exit 1; }
  rm -f "$port_file"
  echo "run-program: sample page served on 127.0.0.1:$port"
fi

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  for n in $(seq 90 119); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
  echo "run-program: no display; running under Xvfb $DISPLAY"
fi

(cd "$run_dir" && exec wine pubg-status.exe) &
program_pid=$!

if [ $headless -eq 0 ]; then
  echo "run-program: $run_dir/pubg-status.exe is running; close it with Esc or a double-click on the red X"
  wait "$program_pid" || true
  program_pid=""
  exit 0
fi

status=0
report=$(wine "$peek_exe" --wait-ms "$first_check_wait_ms") || status=$?
echo "$report"
geometry=$(sed -n 's/^window \([-0-9]*\) \([-0-9]*\) \([0-9]*\) \([0-9]*\).*/\3x\4+\1+\2/p' <<<"$report")
if [ -n "$geometry" ]; then
  screenshot=$run_dir/screenshot.png
  import -display "$DISPLAY" -window root -crop "$geometry" +repage "$screenshot"
  echo "run-program: screenshot saved to $screenshot"
fi
wine "$peek_exe" --wait-ms 5000 --close >/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
exit $status

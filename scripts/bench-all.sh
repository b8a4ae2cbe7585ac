#!/usr/bin/env bash
# Builds what the benchmarks need and runs them all, printing every figure with its goal beside it:
#   - StatusEvaluation natively (the bench preset);
#   - size and imported DLLs of pubg-status.exe;
#   - under Wine (and Xvfb when there is no display): start-up time and peak memory beside a bare
#     window, where the memory difference lies, a check's cost beyond the network, the UI thread's
#     answer time while checks run, and the CPU time used between checks.
# The Windows measurements use the test build of the program, which reads its page from a loopback
# server on a fixed port (PUBG_E2E_PORT in the build's cache); this script serves the sample page there.
# Benchmarks print figures; a goal that is not met does not fail the run, a figure that could not be
# measured does.
#   PUBG_BUILD_ROOT  where the windows and bench builds go (default: build, as the presets have it)
#   WINEPREFIX       the Wine prefix (default: <windows build>/wineprefix-bench, created when missing)
#   STARTUP_RUNS     starts of each program in the start-up benchmark (default 15)
#   IDLE_SECONDS     length of the idle measurement (default 60)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build_root=${PUBG_BUILD_ROOT:-$root/build}
windows_dir=$build_root/windows
bench_dir=$build_root/bench
startup_runs=${STARTUP_RUNS:-15}
idle_seconds=${IDLE_SECONDS:-60}
answer_probes=400
answer_spacing_ms=25
# The page at 16 KiB every 50 ms: a fetch of the 300 KB sample takes about a second, so with
# CheckTime=1 a check is nearly always under way while the UI thread is probed.
slow_step_bytes=16384
slow_delay_ms=50
check_cost_iterations=300
size_goal_bytes=$((1024 * 1024))
# Only DLLs that every Windows 7 has; the runtime must be linked in, never beside the executable.
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll wininet.dll comctl32.dll shell32.dll ole32.dll ws2_32.dll crypt32.dll shlwapi.dll version.dll "

failures=()
scratch=$(mktemp -d)
logs=$scratch/logs
mkdir -p "$logs"

step() { printf '\n==== %s\n' "$*"; }
fail() { failures+=("$1"); echo "FAILED: $1"; }
# Wine maps Z: to the root of the Linux file system.
windows_path() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
mebibytes() { awk -v b="$1" 'BEGIN{printf "%.2f", b / 1048576}'; }

step "Installing what is missing"
bash scripts/install-deps.sh || { echo "install failed"; exit 1; }

step "Windows build ($windows_dir)"
if ! { cmake --preset windows -B "$windows_dir" >/dev/null && cmake --build "$windows_dir"; }; then
  echo "the Windows build failed"; exit 1
fi
step "Native benchmark build ($bench_dir)"
if ! { cmake --preset bench -B "$bench_dir" >/dev/null && cmake --build "$bench_dir"; }; then
  echo "the benchmark build failed"; exit 1
fi

program_exe=$windows_dir/app/pubg-status.exe
test_build_exe=$windows_dir/app/tests/pubg-status-e2e.exe
bare_exe=$windows_dir/app/bare_window.exe
e2e_port=$(sed -n 's/^PUBG_E2E_PORT:[A-Z]*=//p' "$windows_dir/CMakeCache.txt")
for f in "$program_exe" "$test_build_exe" "$bare_exe"; do
  [ -f "$f" ] || { echo "missing: $f"; exit 1; }
done
[ -n "$e2e_port" ] || { echo "PUBG_E2E_PORT is not in $windows_dir/CMakeCache.txt"; exit 1; }

step "StatusEvaluation, natively (goal: within 3x of memmem doing the same searches)"
"$bench_dir/status/bench/evaluation_bench" 2>&1 | tee "$logs/evaluation.log" || fail "evaluation_bench"

step "Size and imported DLLs of pubg-status.exe"
{
  size=$(stat -c %s "$program_exe")
  stripped=$scratch/pubg-status.stripped.exe
  i686-w64-mingw32-strip -o "$stripped" "$program_exe"
  stripped_size=$(stat -c %s "$stripped")
  imports=$(i686-w64-mingw32-objdump -p "$program_exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
  echo "imported DLLs: $(echo $imports)"
  foreign=()
  for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* ]] || foreign+=("$dll")
  done
  runtime=$(grep -Ei 'libstdc|libgcc|libwinpthread' <<<"$imports" || true)
  verdict=met
  { [ ${#foreign[@]} -eq 0 ] && [ -z "$runtime" ]; } || verdict="NOT met: ${foreign[*]}"
  echo "imports only system DLLs, no libstdc++/libgcc/libwinpthread DLL (goal: system DLLs only, $verdict)"
  verdict=met; [ "$size" -lt "$size_goal_bytes" ] || verdict="NOT met"
  printf 'size of pubg-status.exe as built: %d bytes = %s MiB (goal: under 1 MiB, %s)\n' \
    "$size" "$(mebibytes "$size")" "$verdict"
  verdict=met; [ "$stripped_size" -lt "$size_goal_bytes" ] || verdict="NOT met"
  printf 'size of pubg-status.exe stripped, as released: %d bytes = %s MiB (goal: under 1 MiB, %s)\n' \
    "$stripped_size" "$(mebibytes "$stripped_size")" "$verdict"
} 2>&1 | tee "$logs/size.log"

# ---- Under Wine from here on.
export WINEPREFIX=${WINEPREFIX:-$windows_dir/wineprefix-bench}
export WINEDEBUG=-all
scripts/wine-prefix.sh || { echo "cannot create the Wine prefix $WINEPREFIX"; exit 1; }
wine_run=$root/scripts/wine-run.sh

# Loopback only: no proxy setting from the environment may carry a request elsewhere.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY no_proxy NO_PROXY
LOOPBACK_SCRATCH=$scratch/servers
export LOOPBACK_SCRATCH
mkdir -p "$LOOPBACK_SCRATCH"
# shellcheck source=../testing/loopback_servers.sh
source "$root/testing/loopback_servers.sh"

xvfb_pid=""
cleanup() {
  stop_loopback_servers
  if [ -n "$xvfb_pid" ]; then
    # Wine's desktop process leaves a while after the last program; the display must outlive it.
    timeout 30 wineserver -w 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display number and writes it to the descriptor given.
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 10 -u "$display_fd" display_number || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=:$display_number
fi

start_loopback_server BENCH --port "$e2e_port" || { echo "no loopback server on port $e2e_port"; exit 1; }
control() { python3 -c "import sys, urllib.request; urllib.request.urlopen(sys.argv[1], timeout=10).read()" \
              "http://127.0.0.1:$BENCH_PORT/__control/$1"; }

# A run directory per copy of the program, each with its own config.ini (GBK, CRLF).
run_dir() {  # name, CheckTime
  local dir=$scratch/run/$1
  mkdir -p "$dir"
  cp "$test_build_exe" "$dir/pubg-status.exe"
  printf '[config]\r\nCheckTime=%s\r\nlogFlag=0\r\nMsgTxt=%s\r\n' "$2" \
    "$(printf '欢迎光临' | iconv -f UTF-8 -t GBK)" >"$dir/config.ini"
  echo "$dir/pubg-status.exe"
}
bare_dir=$scratch/run/bare
mkdir -p "$bare_dir" && cp "$bare_exe" "$bare_dir/"
bare_copy=$bare_dir/bare_window.exe
startup_copy=$(run_dir startup 0)
answer_copy=$(run_dir answer 1)
periodic_copy=$(run_dir periodic 30)
quiet_copy=$(run_dir quiet 0)

step "Start-up and peak memory, $startup_runs starts each, alternating (DISPLAY=$DISPLAY)"
# Timings under Wine follow whatever else the machine is doing; the load says how much that was.
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$wine_run" "$windows_dir/app/startup_probe.exe" "$startup_runs" "$(windows_path "$bare_copy")" \
  "$(windows_path "$startup_copy")" 2>&1 | tee "$logs/startup.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "start-up probe"

step "Where the working-set difference lies (Linux resident memory by mapping, once settled)"
# Wine's working set is the Linux process's resident set: shared libraries and mapped files count.
resident_by_mapping() {
  awk '/^[0-9a-f]+-[0-9a-f]+ /{name=($6==""?"[anonymous]":$6)} /^Rss:/{kb[name]+=$2}
       END{for (n in kb) printf "%s\t%d\n", n, kb[n]}' "/proc/$1/smaps" | sort
}
(cd "$(dirname "$startup_copy")" && exec wine pubg-status.exe) & program_pid=$!
(cd "$bare_dir" && exec wine bare_window.exe) & bare_pid=$!
sleep 5
if [ -r "/proc/$program_pid/smaps" ] && [ -r "/proc/$bare_pid/smaps" ]; then
  join -t $'\t' -a1 -a2 -e 0 -o 0,1.2,2.2 <(resident_by_mapping "$program_pid") <(resident_by_mapping "$bare_pid") |
    awk -F'\t' '{d=$2-$3; total+=d; if (d>=64||d<=-64) printf "%d\t%s\n", d, $1}
                END{printf "%d\t(all mappings)\n", total}' | sort -t $'\t' -k1,1 -rn |
    awk -F'\t' '{printf "  %+7d KiB  %s\n", $1, $2}' | tee "$logs/breakdown.log"
else
  fail "memory breakdown: a process ended early"
fi
kill "$program_pid" "$bare_pid" 2>/dev/null
wait "$program_pid" "$bare_pid" 2>/dev/null

step "A check's cost beyond the network, under Wine"
"$wine_run" "$windows_dir/app/check_cost_win.exe" "$check_cost_iterations" 2>&1 | tee "$logs/check_cost.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "check cost"

step "UI thread answer time while checks run (CheckTime=1, page sent slowly)"
control "next?mode=slow&delay_ms=$slow_delay_ms&step=$slow_step_bytes&file=normal.html" || fail "server control"
"$wine_run" "$windows_dir/app/ui_answer_probe.exe" "$answer_probes" "$answer_spacing_ms" \
  "$(windows_path "$answer_copy")" "$(windows_path "$bare_copy")" 2>&1 | tee "$logs/answer.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "UI answer probe"
control "next?mode=page&file=normal.html" || fail "server control"

step "CPU time between checks, ${idle_seconds} s"
"$wine_run" "$windows_dir/app/idle_cpu_probe.exe" "$idle_seconds" "$(windows_path "$periodic_copy")" \
  "$(windows_path "$quiet_copy")" 2>&1 | tee "$logs/idle.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "idle probe"

step "Figures and goals"
grep -h 'goal' "$logs"/evaluation.log "$logs"/size.log "$logs"/startup.log "$logs"/check_cost.log \
  "$logs"/answer.log "$logs"/idle.log 2>/dev/null
for f in "${failures[@]}"; do echo "NOT MEASURED: $f"; done
[ ${#failures[@]} -eq 0 ]

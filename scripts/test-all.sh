#!/usr/bin/env bash
# Builds everything and runs every test: the core natively under ASan/UBSan, the fuzz targets for a
# bounded time, and the Windows program with its tests under Wine and Xvfb. Installs what is missing.
#   FUZZ_SECONDS  seconds per fuzz target (default 15)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

fuzz_seconds=${FUZZ_SECONDS:-15}
passed=0
failed=0
failures=()

step() { printf '\n==== %s\n' "$*"; }

# Adds up ctest's closing line ("NN% tests passed, F tests failed out of T").
count_ctest() {
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); failures+=("$2: ctest ran no tests"); return; fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [ "$bad" -eq 0 ] || failures+=("$2: $bad failed")
}

run_ctest() {  # name, ctest args...
  local name=$1; shift
  local log
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  count_ctest "$log" "$name"
  rm -f "$log"
}

step "Installing what is missing"
bash scripts/install-deps.sh || { echo "install failed"; exit 1; }

step "Native build: the core under ASan and UBSan"
if cmake --preset native >/dev/null && cmake --build --preset native; then
  run_ctest native --preset native
else
  failed=$((failed + 1)); failures+=("native build")
fi

step "Fuzzing: ${fuzz_seconds}s per target"
if cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; then
  for target in build/fuzz/status/fuzz/page_fuzzer build/fuzz/app/fuzz/config_value_fuzzer; do
    name=$(basename "$target")
    seeds="$(dirname "${target#build/fuzz/}")/corpus"
    work=$(mktemp -d)
    if "$target" -max_total_time="$fuzz_seconds" -max_len=4096 -print_final_stats=1 "$work" "$seeds" \
         >"$work.log" 2>&1; then
      passed=$((passed + 1)); echo "$name: $(grep -E '^Done' "$work.log")"
    else
      failed=$((failed + 1)); failures+=("fuzz $name"); tail -n 40 "$work.log"
    fi
    rm -rf "$work" "$work.log"
  done
else
  failed=$((failed + 1)); failures+=("fuzz build")
fi

step "Benchmarks build (run them by hand: see README)"
if ! { cmake --preset bench >/dev/null && cmake --build --preset bench; }; then
  failed=$((failed + 1)); failures+=("bench build")
fi

step "Windows build (MinGW-w64 i686)"
if cmake --preset windows >/dev/null && cmake --build --preset windows; then
  # A fresh prefix per run, so that no registry value or certificate of an earlier run is seen.
  export WINEPREFIX="$root/build/windows/wineprefix"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  step "Creating the Wine prefix"
  scripts/wine-prefix.sh
  xvfb_pid=""
  if [ -z "${DISPLAY:-}" ]; then
    n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n - 1)); done
    display=:$n
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    sleep 1
  fi
  step "Windows tests under Wine (DISPLAY=$DISPLAY)"
  run_ctest windows --preset windows
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
else
  failed=$((failed + 1)); failures+=("windows build")
fi

step "Release: two builds of HEAD give the same bytes"
if bash scripts/make-release.sh --check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); failures+=("release check")
fi

step "Summary"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]

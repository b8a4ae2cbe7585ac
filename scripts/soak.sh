#!/usr/bin/env bash
# The long soak, run by hand: the test build checks every second for a few hundred checks while the
# loopback server cycles through good pages, error pages, empty answers, stalls, slow bodies (one of
# them slower than the whole-fetch bound) and oversized bodies. Prints the figures at the end: checks
# done, handles and private memory after the warm-up round and at the end, the worst check, log lines.
# Usage: scripts/soak.sh [BUILD_DIR] [ROUNDS]   (defaults: build/windows, 15 rounds of about 18 checks)
# Takes about 85 s a round. Set WINEPREFIX and DISPLAY as for the tests; without DISPLAY the driver
# starts an Xvfb of its own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build_dir=${1:-$source_dir/build/windows}
rounds=${2:-15}

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake --preset windows -B "$build_dir" -S "$source_dir"
fi
cmake --build "$build_dir" --target pubg-status-e2e app_soak_tests
# The test build reads its page from the port it was built with.
port=$(sed -n 's/^PUBG_E2E_PORT:STRING=//p' "$build_dir/CMakeCache.txt")
"$here/wine-prefix.sh"

export PUBG_SOAK_ROUNDS=$rounds PUBG_SOAK_LONG=1
output=$(mktemp)
started=$(date +%s)
set +e
bash "$source_dir/app/tests/e2e_driver.sh" --port "$port" --locale zh_CN.UTF-8 --code-page 936 \
  --program "$build_dir/app/tests/pubg-status-e2e.exe" \
  -- "$build_dir/app/tests/app_soak_tests.exe" --gtest_filter='Soak.*' 2>&1 | tee "$output"
status=${PIPESTATUS[0]}
set -e
echo
echo "== long soak: $rounds rounds after the warm-up, $(( $(date +%s) - started )) s =="
grep -E '^(round|soak:)' "$output" || true
rm -f "$output"
[ "$status" -eq 0 ] && echo "== passed ==" || echo "== FAILED (exit $status) =="
exit "$status"

#!/usr/bin/env bash
# Runs Windows test executables under Wine against loopback servers on 127.0.0.1: one plain HTTP
# server and three HTTPS servers (a certificate from a test CA, a self-signed one, an expired one).
# The test CA is trusted in the Wine prefix's CurrentUser Root store for the run and removed after.
# The ports reach the tests in PUBG_HTTP_PORT, PUBG_HTTPS_TRUSTED_PORT, PUBG_HTTPS_SELF_SIGNED_PORT,
# PUBG_HTTPS_EXPIRED_PORT and, for the control routes of the HTTPS servers, *_CONTROL_PORT.
# Usage: run_with_loopback_servers.sh CERT_STORE_TOOL.exe TEST.exe [TEST.exe ...] [-- TEST_OPTIONS...]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
wine_run="$source_dir/scripts/wine-run.sh"
cert_tool=$1
shift
test_exes=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  test_exes+=("$1")
  shift
done
[ $# -gt 0 ] && shift  # the options after -- go to every test executable

# Loopback only: no proxy setting from the environment may carry a request elsewhere.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY no_proxy NO_PROXY

LOOPBACK_SCRATCH=$(mktemp -d)
export LOOPBACK_SCRATCH
# shellcheck source=../../testing/loopback_servers.sh
source "$source_dir/testing/loopback_servers.sh"

ca_installed=0
cleanup() {
  if [ $ca_installed -eq 1 ]; then
    "$wine_run" "$cert_tool" remove "$ca_der" || echo "run_with_loopback_servers: the test CA is still installed" >&2
  fi
  stop_loopback_servers
  rm -rf "$LOOPBACK_SCRATCH"
}
trap cleanup EXIT

tls="$LOOPBACK_SCRATCH/tls"
bash "$source_dir/testing/tls/make_test_certs.sh" "$tls" || exit 1
start_loopback_server PUBG_HTTP || exit 1
for kind in TRUSTED SELF_SIGNED EXPIRED; do
  leaf=$(echo "$kind" | tr '[:upper:]' '[:lower:]')
  start_loopback_server "PUBG_HTTPS_$kind" --with-control-port --tls-cert "$tls/$leaf.pem" --tls-key "$tls/$leaf.key" \
    || exit 1
done

# Wine maps Z: to the root of the Linux file system.
ca_der="Z:${tls//\//\\}\\ca.der"
"$wine_run" "$cert_tool" add "$ca_der" || exit 1
ca_installed=1

status=0
for test_exe in "${test_exes[@]}"; do
  echo "== $(basename "$test_exe")"
  "$wine_run" "$test_exe" --gtest_color=no "$@" || status=1
done
exit $status

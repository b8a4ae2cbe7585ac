# Starts and stops loopback test servers from a test driver script. Source it, then:
#   start_loopback_server NAME [loopback_server.py options...]
#       starts a server on 127.0.0.1 with a free port and sets NAME_PORT (and NAME_CONTROL_PORT when
#       --control-port-file is wanted: pass --with-control-port as the first option)
#   stop_loopback_servers
#       stops every server this shell started (by process id)
# Servers write their port files into LOOPBACK_SCRATCH (a fresh directory when unset).

loopback_testing_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
loopback_server_pids=()
# Python starts in well under a second here; this only bounds a server that never comes up.
loopback_start_timeout_tenths=100

start_loopback_server() {
  local name=$1; shift
  local with_control=0
  if [ "${1:-}" = --with-control-port ]; then with_control=1; shift; fi
  : "${LOOPBACK_SCRATCH:=$(mktemp -d)}"
  local port_file="$LOOPBACK_SCRATCH/$name.port" control_file="$LOOPBACK_SCRATCH/$name.control-port"
  rm -f "$port_file" "$control_file"
  local extra=()
  [ $with_control -eq 1 ] && extra=(--control-port-file "$control_file")
  python3 "$loopback_testing_dir/loopback_server.py" --port-file "$port_file" "${extra[@]}" "$@" &
  local pid=$!
  loopback_server_pids+=("$pid")
  local waited=0
  until [ -s "$port_file" ]; do
    if ! kill -0 "$pid" 2>/dev/null || [ $waited -ge $loopback_start_timeout_tenths ]; then
      echo "loopback server $name did not start" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  printf -v "${name}_PORT" '%s' "$(cat "$port_file")"
  export "${name}_PORT"
  if [ $with_control -eq 1 ]; then
    printf -v "${name}_CONTROL_PORT" '%s' "$(cat "$control_file")"
    export "${name}_CONTROL_PORT"
  fi
}

stop_loopback_servers() {
  local pid
  for pid in "${loopback_server_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${loopback_server_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  loopback_server_pids=()
}

#!/usr/bin/env bash
# Load benchmark of ozl-server on loopback: every user logging in at once (the storm after a
# restart, with full online lists), then polls per second with 10,000 logged-in sessions, memory
# per session, and the same load (same request bytes, one connection per request) against nginx
# serving a small static file, with one worker and with one per core.
#
#   server/bench/load.sh [path/to/ozl-server]
#
# Environment: SESSIONS (10000), CONNECTIONS (200), DURATION (20s). Installs wrk and nginx-light
# with apt-get when they are missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
server="${1:-$root/build/release/server/ozl-server}"
sessions="${SESSIONS:-10000}"
connections="${CONNECTIONS:-200}"
duration="${DURATION:-20s}"
first_session=100000

missing=()
command -v wrk >/dev/null || missing+=(wrk)
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx-light)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
nginx_binary="$(command -v nginx || echo /usr/sbin/nginx)"
[ -x "$server" ] || { echo "load.sh: no server at $server (build the release preset first)" >&2; exit 1; }

work="$(mktemp -d)"
server_pid=""
nginx_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# CPU time (clock ticks) used so far by a process and its children, threads included.
cpu_ticks() {
  local total=0 pid
  for pid in "$1" $(pgrep -P "$1" || true); do
    total=$(( total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat") ))
  done
  echo "$total"
}

# run_wrk PORT LABEL PID: the request rate, and the CPU time the server under test spent per
# request, which other load on a shared machine disturbs less than the rate.
run_wrk() {
  local before after
  before="$(cpu_ticks "$3")"
  OZL_SESSIONS="$sessions" OZL_FIRST_SESSION="$first_session" \
    wrk -t2 -c"$connections" -d"$duration" --latency -s "$root/server/bench/poll.lua" "http://127.0.0.1:$1/" \
    > "$work/wrk.txt"
  after="$(cpu_ticks "$3")"
  local rate errors latency requests
  rate="$(awk '/^Requests\/sec:/ { print $2 }' "$work/wrk.txt")"
  requests="$(awk '/requests in/ { print $1 }' "$work/wrk.txt")"
  latency="$(awk '$1 == "99%" { print $2 }' "$work/wrk.txt")"
  errors="$(awk '/Socket errors:/ { print $0 }' "$work/wrk.txt")"
  printf '%-38s %10s requests/s  %5.1f us CPU per request  p99 %-8s %s\n' "$2" "$rate" \
    "$(awk -v t=$(( after - before )) -v n="$requests" -v hz="$(getconf CLK_TCK)" 'BEGIN { print t * 1e6 / hz / n }')" \
    "$latency" "${errors:-no socket errors}"
}

echo "== load: $sessions sessions, $connections connections, $duration per run, $(nproc) cores"

"$server" --listen 127.0.0.1:0 --db "$work/bench.db" --password-cost minimal --idle-timeout 3600 \
  > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do
  port="$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/server.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "${port:-}" ] || { cat "$work/server.log" >&2; exit 1; }

export OZL_BENCH_IDS="$work/ids.txt"
python3 "$root/server/bench/login_sessions.py" --port "$port" --sessions "$sessions" --step register
rss_before="$(rss_kib "$server_pid")"
ticks_before="$(cpu_ticks "$server_pid")"
python3 "$root/server/bench/login_sessions.py" --port "$port" --sessions "$sessions" \
  --first-session "$first_session" --step storm
printf 'the server spent %.1f s of CPU on the storm\n' \
  "$(awk -v t=$(( $(cpu_ticks "$server_pid") - ticks_before )) -v hz="$(getconf CLK_TCK)" 'BEGIN { print t / hz }')"
python3 "$root/server/bench/login_sessions.py" --port "$port" --sessions "$sessions" \
  --first-session "$first_session" --step poll
rss_after="$(rss_kib "$server_pid")"
printf 'ozl-server memory: %d KiB before the logins, %d KiB with %d sessions: %d bytes per session\n' \
  "$rss_before" "$rss_after" "$sessions" $(( (rss_after - rss_before) * 1024 / sessions ))

run_wrk "$port" "ozl-server, polls of logged-in sessions" "$server_pid"
python3 "$root/server/bench/login_sessions.py" --port "$port" --sessions "$sessions" \
  --first-session "$first_session" --step check
printf 'ozl-server memory after the load: %d KiB\n' "$(rss_kib "$server_pid")"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""

mkdir -p "$work/www"
printf '' > "$work/www/index.html"
for workers in 1 auto; do
  nginx_port="$(free_port)"
  cat > "$work/nginx.conf" <<CONF
daemon off;
user root;
worker_processes $workers;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 8192; }
http {
  access_log off;
  client_body_temp_path $work/body; proxy_temp_path $work/proxy; fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
  server { listen 127.0.0.1:$nginx_port; root $work/www; }
}
CONF
  "$nginx_binary" -c "$work/nginx.conf" -p "$work" &
  nginx_pid=$!
  for _ in $(seq 1 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $nginx_port), 1)" 2>/dev/null && break
    sleep 0.1
  done
  run_wrk "$nginx_port" "nginx ($workers worker), empty static file" "$nginx_pid"
  kill "$nginx_pid"
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=""
done

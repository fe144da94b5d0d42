#!/usr/bin/env bash
# The server on PostgreSQL on this machine: one node, then two nodes behind nginx (with the
# configuration of packaging/nginx/ozl-cluster.conf). For each: every user logging in at once (the
# storm after a restart), then wrk polling the logged-in sessions. Prints the time of the storm,
# polls per second, the CPU time per poll of the servers and of nginx, and PostgreSQL's
# transactions per login and per poll (the cost that grows with nodes).
#
#   scripts/with-postgres server/bench/cluster.sh [path/to/ozl-server]
#
# Environment: SESSIONS (10000), CONNECTIONS (200), DURATION (20s). Installs wrk when missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
server="${1:-$root/build/release/server/ozl-server}"
sessions="${SESSIONS:-10000}"
connections="${CONNECTIONS:-200}"
duration="${DURATION:-20s}"
database="${OZL_TEST_POSTGRES:?run under scripts/with-postgres}"
[ -x "$server" ] || { echo "cluster.sh: no server at $server (build the release preset first)" >&2; exit 1; }
if ! command -v wrk >/dev/null; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends wrk >/dev/null
fi

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cpu_ticks() {  # of the processes given and their children, threads included
  local total=0 pid
  for pid in "$@" $(for p in "$@"; do pgrep -P "$p" || true; done); do
    total=$(( total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat") ))
  done
  echo "$total"
}
transactions() {
  sleep 11  # an idle backend publishes its last counts within ten seconds
  psql "$database" -Atc "SELECT xact_commit FROM pg_stat_database WHERE datname = current_database()"
}
per() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

start_node() {  # PORT: a node on the database, logging to work/node-PORT.log
  "$server" --listen "127.0.0.1:$1" --db "$database" --password-cost minimal --idle-timeout 3600 \
    --trusted-proxy 127.0.0.1 > "$work/node-$1.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do grep -q "listening on" "$work/node-$1.log" && return; sleep 0.1; done
  cat "$work/node-$1.log" >&2; exit 1
}

start_nginx() {  # PORT NODE_PORT...
  local port="$1"; shift
  local upstreams="" node
  for node in "$@"; do upstreams+="    server 127.0.0.1:$node max_fails=1 fail_timeout=10s;"$'\n'; done
  awk -v port="$port" -v upstreams="$upstreams" '
    /^    server 127\.0\.0\.1:/ { if (!done) printf "%s", upstreams; done = 1; next }
    /listen 5190;/ { sub("listen 5190;", "listen 127.0.0.1:" port ";") }
    { print }' "$root/packaging/nginx/ozl-cluster.conf" > "$work/site.conf"
  cat > "$work/nginx.conf" <<CONF
daemon off;
$([ "$(id -u)" -eq 0 ] && echo "user root;")
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 8192; }
http {
  access_log off;
  client_body_temp_path $work/body; proxy_temp_path $work/proxy; fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
  include $work/site.conf;
}
CONF
  /usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
  pids+=($!)
  for _ in $(seq 1 50); do [ -f "$work/nginx.pid" ] && return; sleep 0.1; done
  cat "$work/nginx-error.log" >&2; exit 1
}

# LABEL PORT FIRST_SESSION PIDS...: the storm, then the polls, with their costs.
measure() {
  local label="$1" port="$2" first="$3"; shift 3
  local before after ticks_before ticks_after
  before="$(transactions)"
  python3 "$root/server/bench/login_sessions.py" --port "$port" --sessions "$sessions" --first-session "$first" \
    --step storm | sed "s/^/$label: /"
  after="$(transactions)"
  echo "$label: PostgreSQL transactions per login: $(per $(( after - before - 1 )) "$sessions")"
  before="$(transactions)"
  ticks_before="$(cpu_ticks "$@")"
  OZL_SESSIONS="$sessions" OZL_FIRST_SESSION="$first" \
    wrk -t2 -c"$connections" -d"$duration" -s "$root/server/bench/poll.lua" "http://127.0.0.1:$port/" > "$work/wrk.txt"
  ticks_after="$(cpu_ticks "$@")"
  after="$(transactions)"
  local requests rate
  requests="$(awk '/requests in/ { print $1 }' "$work/wrk.txt")"
  rate="$(awk '/^Requests\/sec:/ { print $2 }' "$work/wrk.txt")"
  printf '%s: %s polls/s, %s us CPU per poll (servers and nginx), %s PostgreSQL transactions per poll%s\n' \
    "$label" "$rate" \
    "$(awk -v t=$(( ticks_after - ticks_before )) -v n="$requests" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", t * 1e6 / hz / n }')" \
    "$(per $(( after - before - 1 )) "$requests")" \
    "$(grep -q 'Non-2xx' "$work/wrk.txt" && awk '/Non-2xx/ { print ", " $0 }' "$work/wrk.txt" || true)"
}

echo "== PostgreSQL: $sessions sessions, $connections connections, $duration per run, $(nproc) cores"
start_node 5301
export OZL_BENCH_IDS="$work/ids.txt"
python3 "$root/server/bench/login_sessions.py" --port 5301 --sessions "$sessions" --step register
measure "one node" 5301 100000 "${pids[0]}"

start_node 5302
start_nginx 5300 5301 5302
measure "two nodes behind nginx" 5300 300000 "${pids[@]}"

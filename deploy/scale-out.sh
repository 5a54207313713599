#!/bin/bash
# Three replicas of quillet serve as three hosts (network namespaces of this
# script's own, joined to the machine by veth pairs) behind HAProxy on
# loopback, which checks /health and retries connection failures, empty
# answers and 503 on another replica. A bounded load of small documents goes
# through the balancer (the client retries 429 and 503 until each converts);
# one replica is killed with SIGKILL at a third of it and one stopped with
# SIGTERM at two thirds. deploy/scale-out-load.py checks that no document is
# lost or duplicated and that the balancer stops sending to a stopped replica
# within seconds.
#
#   deploy/scale-out.sh QUILLET_PROGRAM [--documents N] [--throughput]
#
# --throughput: first the same load without stopping anything, through one
# replica and through three, for the figures. Root only: exit status 77
# (skipped) otherwise, or when haproxy is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1"); shift
documents=90 throughput=0
while [ $# -gt 0 ]; do
  case "$1" in
    --documents) documents=$2; shift 2 ;;
    --throughput) throughput=1; shift ;;
    *) echo "usage: $0 QUILLET_PROGRAM [--documents N] [--throughput]" >&2; exit 2 ;;
  esac
done
if [ "$(id -u)" != 0 ]; then echo "skipped: network namespaces need root"; exit 77; fi
command -v haproxy >/dev/null || { echo "skipped: haproxy is not installed"; exit 77; }

work=$(mktemp -d)
tag="qso$$"
net="10.$((100 + $$ % 100))"
replicas=(r1 r2 r3)
declare -A pid
haproxy_pid=""

cleanup() {
  set +e
  [ -z "$haproxy_pid" ] || kill "$haproxy_pid" 2>/dev/null
  for i in 1 2 3; do
    ns="$tag-r$i"
    ip netns list | grep -q "^$ns\b" || continue
    # Everything the replica started (its workers, their offices) lives in its
    # namespace, also when the replica itself was killed.
    for p in $(ip netns pids "$ns"); do kill -9 "$p" 2>/dev/null; done
    ip netns delete "$ns"
    ip link delete "$tag-h$i" 2>/dev/null
  done
  for p in "${pid[@]}"; do wait "$p"; done
  [ -z "$haproxy_pid" ] || wait "$haproxy_pid"
  rm -rf "$work"
} 2>/dev/null
trap cleanup EXIT
trap 'exit 130' INT TERM

# The hosts: 10.X.i.2 in namespace i, reached from the machine through 10.X.i.1.
for i in 1 2 3; do
  ns="$tag-r$i"
  ip netns add "$ns"
  ip link add "$tag-h$i" type veth peer name eth0 netns "$ns"
  ip addr add "$net.$i.1/24" dev "$tag-h$i"
  ip link set "$tag-h$i" up
  ip -n "$ns" addr add "$net.$i.2/24" dev eth0
  ip -n "$ns" link set eth0 up
  ip -n "$ns" link set lo up
done

start_replica() {
  local i=$1 home="$work/r$1"
  mkdir -p "$home"
  # Each replica has its own home, cache (office profiles) and temporary folder.
  ip netns exec "$tag-r$i" env HOME="$home" XDG_CACHE_HOME="$home/cache" TMPDIR="$home" \
    "$program" serve --listen "$net.$i.2:8080" --workers 1 --timeout 30 --drain-timeout 10 \
    >"$home/out.log" 2>"$home/err.log" &
  pid[r$i]=$!
}
for i in 1 2 3; do start_replica "$i"; done
# r1 dies by SIGKILL and r3 at the end: the shell need not report them.
disown "${pid[r1]}" "${pid[r3]}"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/haproxy.cfg" <<CFG
global
    stats socket $work/haproxy.sock level admin
    # Whole requests stay in the buffer, so that they can be sent again.
    tune.bufsize 65536

defaults
    mode http
    timeout connect 1s
    timeout client 60s
    timeout server 60s
    timeout queue 30s
    retries 3
    option redispatch 1
    # A conversion keeps no state: sending it again to another replica is safe
    # when the first refused it, closed without a whole answer, or was stopping.
    retry-on conn-failure empty-response junk-response 503
    # Retrying needs the whole request: wait for it before choosing a replica.
    option http-buffer-request

frontend convert
    bind 127.0.0.1:$port
    default_backend replicas

backend replicas
    balance leastconn
    option httpchk GET /health
    http-check expect status 200
    default-server inter 500ms fastinter 250ms downinter 1s fall 2 rise 2
    server r1 $net.1.2:8080 check
    server r2 $net.2.2:8080 check
    server r3 $net.3.2:8080 check
CFG
haproxy -db -f "$work/haproxy.cfg" >"$work/haproxy.log" 2>&1 &
haproxy_pid=$!

# Every replica up (its office answers) and seen up by the balancer.
started=$(date +%s.%N)
for _ in $(seq 1 120); do
  up=$(python3 - "$work/haproxy.sock" <<'PY' 2>/dev/null || echo 0
import socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(b"show stat\n")
data = b""
while chunk := s.recv(65536): data += chunk
print(sum(1 for line in data.decode().splitlines() if line.startswith("replicas,r") and ",UP," in line))
PY
)
  [ "$up" = 3 ] && break
  sleep 0.25
done
if [ "$up" != 3 ]; then
  echo "the replicas did not come up:"; tail -n 5 "$work"/r*/err.log "$work/haproxy.log"; exit 1
fi
echo "three replicas up behind the balancer after $(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"

load() { python3 "$here/scale-out-load.py" "http://127.0.0.1:$port" --stats "$work/haproxy.sock" --documents "$documents" "$@"; }
if [ "$throughput" = 1 ]; then
  echo "one replica:    $(load --threads 4 --only r1)"
  echo "three replicas: $(load --threads 4)"
fi
status=0
result=$(load --threads 6 --sigkill "r1=${pid[r1]}" --sigterm "r2=${pid[r2]}") || status=$?
echo "r1 killed, r2 stopped: $result"
# The stopped replica drains and ends by itself; the killed one is gone.
if wait "${pid[r2]}"; then echo "r2 ended on SIGTERM with status 0"; else
  echo "r2 ended on SIGTERM with status $?"; tail -n 5 "$work/r2/err.log"; status=1
fi
exit $status

# Pieces the benchmark scripts share: the clock, the median, and the end of
# the office a unoconv listener started. Sourced, not run.

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {if (NR) printf "%.1f", (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# The pipe files (/tmp/OSL_PIPE_...) that process $1 listens on, by its sockets.
pipe_files_of() {
  for fd in /proc/"$1"/fd/*; do
    case $(readlink "$fd") in
      socket:*) inode=$(readlink "$fd"); inode=${inode#socket:[}; inode=${inode%]}
                awk -v i="$inode" '$7 == i && $8 ~ /^\/tmp\/OSL_PIPE_/ {print $8}' /proc/net/unix ;;
    esac
  done | sort -u
}

# Starts a unoconv listener on $unoconv_port with its profile under $cache,
# sets unoconv_pid, and waits until it accepts; fails when it ends first. (A
# brand-new profile makes the first listener end at once: call it again.)
start_unoconv() {
  XDG_CONFIG_HOME="$cache/unoconv-config" /usr/bin/python3 /usr/bin/unoconv --port="$unoconv_port" --listener \
    >/dev/null 2>&1 &
  unoconv_pid=$!
  for _ in $(seq 1 300); do
    (exec 3<>/dev/tcp/127.0.0.1/"$unoconv_port") 2>/dev/null && return 0
    kill -0 "$unoconv_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Ends the listener $1 and the office it started, known by the port $2 it
# accepts on (asked first, killed when it does not end within 5 s), and
# removes the pipe files an office ended by a signal leaves.
stop_unoconv() {
  kill "$1" 2>/dev/null || true
  for pid in $(ps -eo pid=,args= | awk -v p="port=$2[,;]" '/soffice\.bin/ && $0 ~ p {print $1}'); do
    pipes=$(pipe_files_of "$pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    for f in $pipes; do rm -f "$f"; done
  done
}

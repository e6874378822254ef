#!/usr/bin/env bash
# Times a scan over SSH of the generated tree against kestrove-cli --scan of the
# same tree (medians, page cache warm). The far side is an sshd of the bench's
# own on a free localhost port with keys it generates, running GNU find (the
# method every Linux server has): one find per core, and a single find (find1).
# Also timed for reference: an ssh session that does nothing, and one find's
# own output piped through ssh.
#   bench/ssh_bench.sh [TREE_FOLDER] [FILES FOLDERS]   RUNS=5 by default; needs root (sshd)
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-${TMPDIR:-/tmp}/kestrove-bench}
files=${2:-200000}
folders=${3:-$((files / 100))}
runs=${RUNS:-5}
build=${BUILD_DIR:-build/release}
if [ "$(id -u)" -ne 0 ] || [ ! -x /usr/sbin/sshd ]; then
  echo "needs root (for sshd's privilege separation) and openssh-server (scripts/setup.sh)" >&2
  exit 2
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C "$build" kestrove-cli >/dev/null
cli=$PWD/$build/src/kestrove-cli
config=$(mktemp -d)
work=$(mktemp -d)
sshd_pid=
cleanup() {
  [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null && wait "$sshd_pid" 2>/dev/null
  rm -rf "$config" "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$config

tree=$base/t$files
python3 bench/make_tree.py "$tree" "$files" "$folders"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
ssh-keygen -q -t ed25519 -N '' -f "$work/host"
ssh-keygen -q -t ed25519 -N '' -f "$work/id"
cp "$work/id.pub" "$work/authorized_keys"
mkdir -p /run/sshd
# HOME: the far side's shell reads no login files of this machine's user, which
# would time that user's profile, not the scan.
cat >"$work/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $work/host
PidFile $work/sshd.pid
AuthorizedKeysFile $work/authorized_keys
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin prohibit-password
LogLevel ERROR
SetEnv HOME=$work
EOF
echo "[127.0.0.1]:$port $(cat "$work/host.pub")" >"$work/known_hosts"
cat >"$work/ssh_config" <<EOF
Host bench
  HostName 127.0.0.1
  Port $port
  User $(id -un)
  IdentityFile $work/id
  IdentitiesOnly yes
  IdentityAgent none
  UserKnownHostsFile $work/known_hosts
  StrictHostKeyChecking yes
  BatchMode yes
EOF
/usr/sbin/sshd -D -e -f "$work/sshd_config" &
sshd_pid=$!
for _ in $(seq 100); do ssh -F "$work/ssh_config" bench true 2>/dev/null && break; sleep 0.1; done

. bench/timing.sh
names=("kestrove-cli --scan (local)" "kestrove-cli --scan ssh:// (find)" "ssh session doing nothing"
       "ssh find -printf > /dev/null" "kestrove-cli --scan ssh:// (find1)")
command_of() {
  case $1 in
    0) cmd=("$cli" --scan "$tree") ;;
    1) cmd=("$cli" --scan "ssh://bench$tree" --ssh-method find --ssh-config "$work/ssh_config") ;;
    2) cmd=(ssh -F "$work/ssh_config" bench true) ;;
    3) cmd=(ssh -F "$work/ssh_config" bench "find '$tree' -printf '%y %m %s %b %D %i %n %U %T@ %d\\0%f\\0'") ;;
    4) cmd=("$cli" --scan "ssh://bench$tree" --ssh-method find1 --ssh-config "$work/ssh_config") ;;
  esac
}
# Both scans must see the same tree.
local_stats=$("$cli" --scan "$tree" --stats 2>&1 >/dev/null | sed 's/, seconds.*//')
ssh_stats=$("$cli" --scan "ssh://bench$tree" --ssh-method find --ssh-config "$work/ssh_config" --stats 2>&1 >/dev/null |
  sed 's/, seconds.*//')
echo "local: $local_stats"
echo "ssh:   $ssh_stats"
[ "$local_stats" = "$ssh_stats" ] || { echo "the scan over SSH gives other totals" >&2; exit 1; }
time_alternated 5 36 "local scan"

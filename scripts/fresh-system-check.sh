#!/usr/bin/env bash
# Runs the README's set-up commands as a new user would on a fresh Debian 12 machine, and
# reports each with its exit status, its time and the machine's load (uptime):
#   1. ./run.sh without a screen (must say so and stop),
#   2. xvfb-run -a ./run.sh (the main window must come up; then it is closed with SIGTERM),
#   3. ./test.sh (must pass).
# The machine is a debootstrap minbase Debian 12 (bookworm) made in WORK_DIR/root and entered
# with chroot in private mount and process namespaces: a fresh /proc, a /dev holding only null,
# zero, full, random, urandom, a private pts and shm (no serial port, no sound card), and this
# repository's HEAD (git archive; FRESH_SYSTEM_REVISION names another commit) in /root/zozevere.
# The commands run as root (a minbase system has no sudo) with CMAKE_BUILD_PARALLEL_LEVEL=2,
# pinned to two cores.
#
# Usage (as root, with Debian's mirror reachable, and x11-utils on this machine to see the window):
#   scripts/fresh-system-check.sh [WORK_DIR]
# WORK_DIR (default: a new folder in /var/tmp) receives the system, the logs (one per command)
# and report.txt; the system is deleted at the end unless KEEP_ROOT=1. Nothing else on this
# machine is changed: the mounts live and die with the namespace, and debootstrap, when not
# installed, is unpacked into the cache instead.
# Environment: FRESH_SYSTEM_CACHE (default ~/.cache/zozevere-fresh-system) keeps debootstrap and
# the minbase tarball between runs (delete it to start from Debian's packages of the day); FRESH_SYSTEM_CORES (default: the last two) the cores;
# FRESH_SYSTEM_MIRROR (default http://deb.debian.org/debian); FRESH_SYSTEM_STEPS (default
# "run xvfb test") the commands to run; FRESH_SYSTEM_SOUND_SERVERS=1 installs PulseAudio and
# PipeWire before ./test.sh, so that its tests on a sound server run too.
set -euo pipefail

suite=bookworm
mirror=${FRESH_SYSTEM_MIRROR:-http://deb.debian.org/debian}
steps=${FRESH_SYSTEM_STEPS:-run xvfb test}
window_timeout=${FRESH_SYSTEM_WINDOW_TIMEOUT:-7200}

log() { echo "[$(date -u +%H:%M:%S)] $*" | tee -a "$work/report.txt"; }

# --- inside the namespaces ------------------------------------------------------------------

debootstrap_command() {
  if command -v debootstrap >/dev/null; then
    echo debootstrap
    return
  fi
  local tool=$cache/debootstrap-tool
  if [[ ! -x $tool/usr/sbin/debootstrap ]]; then
    rm -rf "$tool" "$cache"/debootstrap_*.deb
    (cd "$cache" && apt-get download debootstrap >&2)
    dpkg-deb -x "$cache"/debootstrap_*.deb "$tool"
  fi
  echo "env DEBOOTSTRAP_DIR=$tool/usr/share/debootstrap $tool/usr/sbin/debootstrap"
}

make_system() {
  local tarball=$cache/$suite-minbase.tgz debootstrap
  debootstrap=$(debootstrap_command)
  if [[ ! -s $tarball ]]; then
    log "downloading the minbase packages into $tarball"
    rm -rf "$work/tarball-root"
    $debootstrap --variant=minbase --make-tarball="$tarball.part" "$suite" "$work/tarball-root" "$mirror" \
      >"$work/debootstrap.log" 2>&1
    mv "$tarball.part" "$tarball"
    rm -rf "$work/tarball-root"
  fi
  log "installing the minbase system into $root"
  $debootstrap --variant=minbase --unpack-tarball="$tarball" "$suite" "$root" "$mirror" >>"$work/debootstrap.log" 2>&1
  # As the installer leaves it: the release, its updates and its security fixes.
  cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://security.debian.org/debian-security $suite-security main
EOF
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

mount_system() {
  mount -t proc proc "$root/proc"
  mount -t tmpfs -o mode=755,nosuid dev "$root/dev"
  local node
  for node in null zero full random urandom; do
    touch "$root/dev/$node"
    mount --bind "/dev/$node" "$root/dev/$node"
  done
  mkdir "$root/dev/pts" "$root/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$root/dev/pts"
  ln -s pts/ptmx "$root/dev/ptmx"
  mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
  ln -s /proc/self/fd "$root/dev/fd"
  ln -s /proc/self/fd/0 "$root/dev/stdin"
  ln -s /proc/self/fd/1 "$root/dev/stdout"
  ln -s /proc/self/fd/2 "$root/dev/stderr"
}

# Runs a shell command in the project folder of the new system, as a fresh login would.
in_system() {
  taskset -c "$cores" chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin CMAKE_BUILD_PARALLEL_LEVEL=2 \
    /bin/bash -c "cd /root/zozevere && $1"
}

elapsed() { awk -v s="$1" -v e="$(date +%s.%N)" 'BEGIN { t = e - s; printf "%d min %02d s", t / 60, t % 60 }'; }
load() { uptime | sed 's/^.*load average/load average/'; }

# A display number that neither this machine's X servers (abstract sockets are shared with it)
# nor the new system's uses.
free_display() {
  local n=500
  while grep -q "/tmp/.X11-unix/X$n\$" /proc/net/unix || [[ -e $root/tmp/.X$n-lock ]]; do n=$((n + 1)); done
  echo "$n"
}

main_window_shown() {
  local auth
  auth=$(ls "$root"/tmp/xvfb-run.*/Xauthority 2>/dev/null | head -n 1)
  [[ -n $auth ]] || return 1
  DISPLAY=:$1 XAUTHORITY=$auth xwininfo -root -tree 2>/dev/null | grep -Eq '"ZOZEVERE( - [^"]*)?":'
}

# Ends whatever still runs in the new system (a build that went on past the wait).
stop_system_processes() {
  local pid
  for pid in $(pgrep -f .); do
    [[ $(readlink "/proc/$pid/root" 2>/dev/null) == "$root" ]] && kill -TERM "$pid" 2>/dev/null
  done
  return 0
}

program_pid() {
  local pid
  for pid in $(pgrep -x zozevere); do
    [[ $(readlink "/proc/$pid/root") == "$root" ]] && echo "$pid" && return
  done
  return 1
}

step_run() {
  local start status=0 says=no
  log "1. ./run.sh (no screen)   $(load)"
  start=$(date +%s.%N)
  in_system ./run.sh >"$work/1-run.log" 2>&1 || status=$?
  grep -q 'needs a desktop session' "$work/1-run.log" && says=yes
  log "   exit $status after $(elapsed "$start"); says it needs a desktop: $says   $(load)"
  [[ $status -ne 0 && $says == yes ]]
}

step_xvfb() {
  local start status=0 display pid waited=0 shown=no
  display=$(free_display)
  log "2. xvfb-run -a ./run.sh   (display :$display)   $(load)"
  start=$(date +%s.%N)
  in_system "xvfb-run -a -n $display ./run.sh" >"$work/2-xvfb-run.log" 2>&1 &
  local runner=$!
  while kill -0 "$runner" 2>/dev/null && ((waited < window_timeout)); do
    if main_window_shown "$display"; then
      shown=yes
      break
    fi
    sleep 2
    waited=$((waited + 2))
  done
  if [[ $shown == yes ]]; then
    log "   main window shown after $(elapsed "$start")   $(load)"
    sleep 3
    command -v import >/dev/null &&
      DISPLAY=:$display XAUTHORITY=$(ls "$root"/tmp/xvfb-run.*/Xauthority | head -n 1) \
        import -window root "$work/2-window.png" 2>/dev/null || true
  else
    log "   no main window"
  fi
  local ended="by itself"
  if pid=$(program_pid); then
    kill -TERM "$pid"
    ended="after SIGTERM to the program"
  elif [[ $shown == no ]] && kill -0 "$runner" 2>/dev/null; then
    stop_system_processes
    ended="after SIGTERM to everything in the system"
  fi
  wait "$runner" || status=$?
  log "   exit $status $ended; $(elapsed "$start") in all"
  [[ $shown == yes && $status -eq 0 ]]
}

step_test() {
  local start status=0
  if [[ ${FRESH_SYSTEM_SOUND_SERVERS:-0} == 1 ]]; then
    log "   installing PulseAudio and PipeWire, as a user who has them would"
    in_system "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      pulseaudio pulseaudio-utils pipewire wireplumber pipewire-pulse dbus" >"$work/3-sound-servers.log" 2>&1
  fi
  log "3. ./test.sh   $(load)"
  start=$(date +%s.%N)
  in_system ./test.sh >"$work/3-test.log" 2>&1 || status=$?
  log "   exit $status after $(elapsed "$start")   $(load)"
  grep -E 'tests passed|tests failed' "$work/3-test.log" | tail -n 1 | sed 's/^/   /' | tee -a "$work/report.txt"
  [[ $status -eq 0 ]]
}

inside() {
  log "fresh Debian 12 system in $root; cores $cores of $(nproc); $(load)"
  make_system
  mount_system
  mkdir -p "$root/root/zozevere"
  tar -x -C "$root/root/zozevere" -f "$work/project.tar"
  local failed=0 step
  for step in $steps; do
    "step_$step" || failed=1
  done
  log "$([[ $failed -eq 0 ]] && echo 'every command did what the README says' || echo 'FAILED: see the logs in '"$work")"
  return "$failed"
}

# --- on this machine -------------------------------------------------------------------------

if [[ ${1:-} == --inside ]]; then
  work=$2 cache=$3 cores=$4 root=$2/root
  inside
  exit
fi

[[ $(id -u) -eq 0 ]] || { echo "Run this as root: it makes a Debian system with debootstrap and enters it with chroot." >&2; exit 2; }
command -v xwininfo >/dev/null || { echo "xwininfo is missing: apt-get install x11-utils" >&2; exit 2; }
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
work=${1:-$(mktemp -d /var/tmp/zozevere-fresh.XXXXXX)}
mkdir -p "$work"
work=$(realpath "$work")
[[ ! -e $work/root ]] || { echo "$work/root exists already: give a new work folder." >&2; exit 2; }
cache=${FRESH_SYSTEM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zozevere-fresh-system}
mkdir -p "$cache"
cache=$(realpath "$cache")
cores=${FRESH_SYSTEM_CORES:-$(($(nproc) - 2)),$(($(nproc) - 1))}
revision=${FRESH_SYSTEM_REVISION:-HEAD}
git -C "$repo" archive --format=tar -o "$work/project.tar" "$revision"
echo "project: $(git -C "$repo" log -1 --format='%h %s' "$revision" | cut -c1-90)" >"$work/report.txt"
status=0
unshare --mount --pid --fork --mount-proc --propagation private "$0" --inside "$work" "$cache" "$cores" || status=$?
[[ ${KEEP_ROOT:-0} == 1 ]] || rm -rf --one-file-system "$work/root"
echo "report: $work/report.txt"
exit "$status"

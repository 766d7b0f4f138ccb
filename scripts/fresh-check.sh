#!/usr/bin/env bash
# Runs the README's two commands as a newcomer would: in a fresh minimal
# Debian 12 (a debootstrap chroot with /proc, /sys, /dev and /dev/pts bound),
# in a fresh clone of the commit checked out here, so only what is committed
# is there and every package comes from the project's own scripts.
#
# Usage (as root): scripts/fresh-check.sh ['command' ...]
#   Without commands it runs the run command with standard input empty, then
#   the test command. Each command runs in the clone's root; the first that
#   fails ends the check with its exit code after its last lines are shown.
# Environment:
#   TESSARINE_FRESH_WORK  where the base system is cached as a tarball and the
#                         chroot is made (default /var/tmp/tessarine-fresh)
#   FRESH_TAIL            how many last lines of a failing command to repeat
#                         (default 80)
set -euo pipefail

project=$(cd "$(dirname "$0")/.." && pwd)
work=${TESSARINE_FRESH_WORK:-/var/tmp/tessarine-fresh}
base=$work/bookworm-minbase.tar
root=$work/root
tail_lines=${FRESH_TAIL:-80}
if (($# == 0)); then
  set -- 'bash scripts/run.sh </dev/null' 'bash scripts/test.sh'
fi

say() { echo "### fresh-check: $*"; }

if [[ $(id -u) -ne 0 ]]; then
  echo "fresh-check: must run as root (debootstrap, chroot and bind mounts)" >&2
  exit 1
fi

# Every mount below the chroot, deepest first: the bound system folders and
# whatever a test mounted inside and left behind.
mounts_below_root() {
  awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/self/mounts |
    sort -r
}

# Processes still running inside the chroot (a Wine server, a virtual
# display) would keep its mounts busy.
stop_chroot_processes() {
  local p link
  for p in /proc/[0-9]*; do
    link=$(readlink "$p/root" 2>/dev/null) || continue
    if [[ $link == "$root" || $link == "$root"/* ]]; then
      kill -KILL "${p#/proc/}" 2>/dev/null || true
    fi
  done
}

cleanup() {
  stop_chroot_processes
  local m
  for m in $(mounts_below_root); do
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
  done
  if [[ -n $(mounts_below_root) ]]; then
    say "still mounted below $root; the chroot is left in place:"
    mounts_below_root
    return 1
  fi
  rm -rf "$root"
}

running=
on_signal() {
  trap - EXIT INT TERM HUP
  say "interrupted by SIG$1; cleaning up"
  [[ -z $running ]] || kill -TERM "$running" 2>/dev/null || true
  cleanup || true
  case $1 in INT) exit 130 ;; HUP) exit 129 ;; *) exit 143 ;; esac
}
trap 'cleanup' EXIT
trap 'on_signal INT' INT
trap 'on_signal TERM' TERM
trap 'on_signal HUP' HUP

start=$SECONDS
mkdir -p "$work"
# A chroot left behind by a run that was killed outright.
cleanup

if [[ ! -f $base ]]; then
  say "making the base system (debootstrap, minbase, bookworm)"
  if ! command -v debootstrap >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  fi
  mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)
  mirror=${mirror:-http://deb.debian.org/debian}
  seed=$work/seed
  ok=0
  for attempt in 1 2; do
    rm -rf "$seed"
    if debootstrap --variant=minbase bookworm "$seed" "$mirror" >"$work/debootstrap.log" 2>&1; then
      ok=1
      break
    fi
    say "debootstrap failed (attempt $attempt)"
  done
  if ((!ok)); then
    tail -n "$tail_lines" "$work/debootstrap.log"
    exit 1
  fi
  tar -C "$seed" -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf "$seed"
  say "base system made in $((SECONDS - start)) s"
fi

mkdir -p "$root"
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/" 2>/dev/null || true
for m in proc sys dev dev/pts; do
  mkdir -p "$root/$m"
  mount --bind "/$m" "$root/$m"
done
git clone -q --no-hardlinks "$project" "$root/root/project"
say "clone of $(git -C "$root/root/project" rev-parse --short HEAD) ready after $((SECONDS - start)) s"

for cmd in "$@"; do
  say "running: $cmd"
  step_start=$SECONDS
  log=$work/last-command.log
  # In the background, so that a signal reaches the trap at once rather than
  # when the command has finished.
  (
    chroot "$root" /usr/bin/env -i HOME=/root TERM=xterm LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      bash -lc "cd /root/project && $cmd" </dev/null 2>&1 | tee "$log"
    exit "${PIPESTATUS[0]}"
  ) &
  running=$!
  rc=0
  wait "$running" || rc=$?
  running=
  if ((rc != 0)); then
    say "FAILED with exit $rc after $((SECONDS - step_start)) s: $cmd"
    say "its last $tail_lines lines:"
    tail -n "$tail_lines" "$log"
    exit "$rc"
  fi
  say "passed in $((SECONDS - step_start)) s: $cmd"
done
say "all commands passed on a fresh Debian 12 in $((SECONDS - start)) s"
